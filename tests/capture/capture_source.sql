-- A small source database for the capture tests: a table name with a
-- trailing blank, Chinese names, columns with and without collations,
-- multi-column and clustered indexes, multi-row object texts, defaults and
-- object names that must travel as data.
CREATE TABLE [Emp ] (
    [EmpNo] [int] IDENTITY (1, 1) NOT NULL,
    [Name] [varchar] (50) COLLATE Chinese_PRC_CI_AS NOT NULL,
    [DeptNo] [int] NULL,
    [Salary] [decimal] (18, 2) NULL,
    [Hired] [datetime] NULL
) ON [PRIMARY]
GO
CREATE TABLE [部门] (
    [编号] [int] NOT NULL,
    [名称] [nvarchar] (40) COLLATE Chinese_PRC_CI_AS NULL
) ON [PRIMARY]
GO
CREATE CLUSTERED INDEX [IX_Emp_No] ON [Emp ] ([EmpNo]) ON [PRIMARY]
GO
CREATE INDEX [IX_Emp_Dept] ON [Emp ] ([DeptNo], [Name]) ON [PRIMARY]
GO
ALTER TABLE [Emp ] WITH NOCHECK ADD CONSTRAINT [DF_Emp_Salary] DEFAULT (0) FOR [Salary]
GO
ALTER TABLE [部门] WITH NOCHECK ADD CONSTRAINT [DF_部门_名称] DEFAULT (N'未命名') FOR [名称]
GO
CREATE PROCEDURE p_total
AS
  SELECT COUNT(*) FROM [Emp ]
GO
CREATE PROCEDURE [O'Brien proc]
AS
SELECT 1
GO
CREATE PROCEDURE [odd]]name]
AS
SELECT 2
GO
CREATE PROCEDURE [统计]
AS
SELECT 3
GO
CREATE VIEW v_emp
AS
SELECT EmpNo, Name FROM [Emp ]
GO
CREATE TRIGGER tr_emp ON [Emp ] FOR INSERT
AS
SELECT 4
GO
