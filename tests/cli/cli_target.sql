-- An older copy of the capture tests' source database: an identity column
-- that is not one yet (the rebuild that makes it one is refused and rolled
-- back: a DeptNo of another type holds a value that is no number), a
-- shorter column, missing columns and a missing table, a surplus index and
-- no procedures.
CREATE TABLE [Emp ] (
    [EmpNo] [int] NOT NULL,
    [Name] [varchar] (30) COLLATE Chinese_PRC_CI_AS NOT NULL,
    [DeptNo] [varchar] (10) NULL
) ON [PRIMARY]
GO
CREATE INDEX [IX_Emp_Old] ON [Emp ] ([DeptNo]) ON [PRIMARY]
GO
INSERT INTO [Emp ] (EmpNo, Name, DeptNo) VALUES (1, 'Ann', '10'), (2, 'Bob', 'none')
GO
