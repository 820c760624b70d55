-- An older copy of the capture tests' source database: an identity column
-- that is not one yet (its Alter is refused), a shorter column, missing
-- columns and a missing table, a surplus index and no procedures.
CREATE TABLE [Emp ] (
    [EmpNo] [int] NOT NULL,
    [Name] [varchar] (30) COLLATE Chinese_PRC_CI_AS NOT NULL,
    [DeptNo] [int] NULL
) ON [PRIMARY]
GO
CREATE INDEX [IX_Emp_Old] ON [Emp ] ([DeptNo]) ON [PRIMARY]
GO
