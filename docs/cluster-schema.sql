-- The cluster's table: every audit line of every server, copied by each
-- server's companion (docs/CLUSTER.md). The companion creates these tables
-- itself when it may; to create them as an administrator instead:
--   mariadb corvane < docs/cluster-schema.sql
-- A table named otherwise ("Table" in config.json) takes that name here, and
-- its version table that name with _schema after it.
--
-- Least privileges, once the tables exist:
--   GRANT SELECT, INSERT ON corvane.corvane_audit TO 'corvane'@'%';
--   GRANT SELECT ON corvane.corvane_audit_schema TO 'corvane'@'%';
-- To let the companion create them, CREATE on the database as well, and
-- INSERT on corvane_audit_schema for its version row.

CREATE TABLE IF NOT EXISTS corvane_audit (
  id BIGINT UNSIGNED NOT NULL AUTO_INCREMENT,
  -- The line's key: the server, the companion's instance (a new one after a
  -- lost audit folder) and the line's number within that instance. A line
  -- inserted again is ignored.
  server VARCHAR(64) CHARACTER SET ascii COLLATE ascii_bin NOT NULL,
  instance CHAR(32) CHARACTER SET ascii COLLATE ascii_bin NOT NULL,
  seq BIGINT UNSIGNED NOT NULL,
  -- From the line: its time (UTC, the writing server's clock), the player's
  -- Steam id, the decision, the /corvane action and the innermost command.
  time DATETIME NOT NULL,
  steam_id BIGINT UNSIGNED NULL,
  outcome VARCHAR(32) CHARACTER SET ascii COLLATE ascii_bin NULL,
  action VARCHAR(32) CHARACTER SET ascii COLLATE ascii_bin NULL,
  name VARCHAR(100) CHARACTER SET ascii COLLATE ascii_bin NULL,
  -- The audit line itself, as the server wrote it (at most 16 KiB).
  line TEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_bin NOT NULL,
  PRIMARY KEY (id),
  UNIQUE KEY line_key (server, instance, seq),
  KEY by_time (time),
  KEY by_player (steam_id, time)
) ENGINE=InnoDB;

CREATE TABLE IF NOT EXISTS corvane_audit_schema (
  version INT UNSIGNED NOT NULL PRIMARY KEY
) ENGINE=InnoDB;

INSERT IGNORE INTO corvane_audit_schema (version) VALUES (1);
