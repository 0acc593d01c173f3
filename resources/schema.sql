-- Table Task of DB.mdb. Dates and times are OLE Automation dates (days since 1899-12-30):
-- 开始日期 holds whole days, 开始时间 only the time of day, to the whole second.
CREATE TABLE Task (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    任务名称 VARCHAR(50) CHECK (length(任务名称) <= 50),
    开始日期 DATETIME CHECK (开始日期 IS NULL OR 开始日期 = CAST(开始日期 AS INTEGER)),
    开始时间 DATETIME CHECK (开始时间 IS NULL OR (开始时间 >= 0 AND 开始时间 < 1)),
    任务类型 VARCHAR(8) CHECK (length(任务类型) <= 8),
    内容 VARCHAR(255) CHECK (length(内容) <= 255),
    执行目标 VARCHAR(255) CHECK (length(执行目标) <= 255),
    执行方式 VARCHAR(8) CHECK (length(执行方式) <= 8)
);
-- The scheduler selects by the second of the day at which a task starts.
CREATE INDEX TaskStartSecond ON Task (CAST(round(开始时间 * 86400) AS INTEGER));
