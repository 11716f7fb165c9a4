-- ShowLog1(object, start, end, generation): event log of one object.
-- MySQL/MariaDB stored procedure, called as
--   call ShowLog1(1, '2024-03-06', '2024-03-07', 393215)
-- Rows from start up to, not including, end (time >= start and time < end:
-- the end date's midnight records belong to that day), ordered by time,
-- index. Start and end are date-times: a load asks for days, a view that
-- follows today for the rows from a time on. The generation argument (any unsigned 32-bit
-- value, hence BIGINT) is accepted and ignored.
-- Exactly one result set (plus the standard final status of CALL).
-- SQL SECURITY INVOKER: it reads with the caller's rights, so a caller
-- without the right to end other users' statements can still end its own
-- (KILL QUERY of a statement running as the procedure's creator is refused).
DROP PROCEDURE IF EXISTS ShowLog1;
DELIMITER //
CREATE PROCEDURE ShowLog1(IN p_object INT, IN p_start DATETIME, IN p_end DATETIME, IN p_generation BIGINT)
    READS SQL DATA
    SQL SECURITY INVOKER
BEGIN
    SELECT e.`time`, e.devicetime, e.`type`, t.description,
           coalesce(e.description, t.description) AS descr,
           e.value, e.`data`
      FROM events e
      LEFT JOIN eventtypes t ON t.id = e.`type`
     WHERE e.objectid = p_object
       AND e.`time` >= p_start AND e.`time` < p_end
     ORDER BY e.`time`, e.`index`;
END//
DELIMITER ;
