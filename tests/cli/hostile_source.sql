-- A source database whose procedure texts and names hold lines that a
-- query tool splitting batches at "GO" (sqlcmd, osql, tsql) would read as
-- separators or commands of its own. Each is made with EXEC (N'...' + ...)
-- so that the loader, which splits at GO lines too, passes it whole.
CREATE TABLE [T] (
    [a] [int] NULL
) ON [PRIMARY]
GO
EXEC (N'ALTER TABLE [T] ADD [x
' + N'Go
' + N'DROP TABLE Victim
' + N' gO 2
' + N'y] [int] NULL')
GO
-- A column whose name would retitle the terminal window and clear its screen.
ALTER TABLE [T] ADD [c]]0;t[2J] [int] NULL
GO
EXEC (N'CREATE PROCEDURE p_comment AS
' + N'/*
' + N'GO
' + N'DROP TABLE Victim
' + N'GO
' + N'*/
' + N'SELECT 1')
GO
EXEC (N'CREATE PROCEDURE p_string AS
' + N'SELECT N''first
' + N'  go -- the text goes on
' + N'exit
' + N':r other.sql
' + N'$(name) \
' + N'last''')
GO
CREATE PROCEDURE p_plain
AS
  SELECT 2
GO
