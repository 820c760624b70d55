-- The database the hostile source's script is run on, as a file through a
-- query tool and by execute: Victim must outlive both.
CREATE TABLE [T] (
    [a] [int] NULL
) ON [PRIMARY]
GO
CREATE TABLE [Victim] (
    [id] [int] NULL
) ON [PRIMARY]
GO
