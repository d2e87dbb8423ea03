-- vek database as it was at schema version 0 (no "dbVersion" row). The build
-- turns it into data/vek_v0.db next to data/vek.db, so that the upgrade can be
-- shown and tested on a real old file (copy it first: the upgrade rewrites
-- the file it is given). Before step 0 to 1: Slide has no motorType,
-- Motor has acceleration and out1..out6 only, USER has no company, Path has
-- no pathType, Node has p1..p3 only; there are no Hmi and Simulation tables.
BEGIN TRANSACTION;
CREATE TABLE Config (
    configKey INTEGER PRIMARY KEY AUTOINCREMENT,
    keyName TEXT(255) COLLATE NOCASE,
    keyValue TEXT(255) COLLATE NOCASE
);
CREATE TABLE Slide (
    slideKey INTEGER PRIMARY KEY AUTOINCREMENT,
    model TEXT(255) COLLATE NOCASE,
    pitch NUMBER,
    stroke NUMBER,
    maxSpeed NUMBER,
    maxAcceleration NUMBER
);
CREATE TABLE Motor (
    motorKey INTEGER PRIMARY KEY AUTOINCREMENT,
    name TEXT(255) COLLATE NOCASE,
    slideKey NUMBER DEFAULT -31913,
    effectiveStroke NUMBER DEFAULT 0,
    acceleration NUMBER DEFAULT 0,
    in1 TEXT(255) COLLATE NOCASE DEFAULT 'In1',
    in2 TEXT(255) COLLATE NOCASE DEFAULT 'In2',
    in3 TEXT(255) COLLATE NOCASE DEFAULT 'In3',
    in4 TEXT(255) COLLATE NOCASE DEFAULT 'In4',
    in5 TEXT(255) COLLATE NOCASE DEFAULT 'In5',
    in6 TEXT(255) COLLATE NOCASE DEFAULT 'In6',
    in7 TEXT(255) COLLATE NOCASE DEFAULT 'In7',
    in8 TEXT(255) COLLATE NOCASE DEFAULT 'In8',
    in9 TEXT(255) COLLATE NOCASE DEFAULT 'In9',
    in10 TEXT(255) COLLATE NOCASE DEFAULT 'In10',
    in11 TEXT(255) COLLATE NOCASE DEFAULT 'In11',
    in12 TEXT(255) COLLATE NOCASE DEFAULT 'In12',
    out1 TEXT(255) COLLATE NOCASE DEFAULT 'Out1',
    out2 TEXT(255) COLLATE NOCASE DEFAULT 'Out2',
    out3 TEXT(255) COLLATE NOCASE DEFAULT 'Out3',
    out4 TEXT(255) COLLATE NOCASE DEFAULT 'Out4',
    out5 TEXT(255) COLLATE NOCASE DEFAULT 'Out5',
    out6 TEXT(255) COLLATE NOCASE DEFAULT 'Out6',
    kp NUMBER DEFAULT 0,
    ki NUMBER DEFAULT 0,
    kd NUMBER DEFAULT 0,
    kl NUMBER DEFAULT 0,
    ks NUMBER DEFAULT 0,
    kv NUMBER DEFAULT 0,
    ka NUMBER DEFAULT 0,
    kg NUMBER DEFAULT 0,
    negativeHomingOffset NUMBER DEFAULT 0,
    positiveHomingOffset NUMBER DEFAULT 0
);
CREATE TABLE USER (
    userKey INTEGER PRIMARY KEY,
    name TEXT(255) COLLATE NOCASE,
    password TEXT(255) COLLATE NOCASE,
    role NUMBER
);
CREATE TABLE IO (
    ioKey INTEGER PRIMARY KEY AUTOINCREMENT,
    ioNumber NUMBER,
    ioName TEXT(255) COLLATE NOCASE,
    ioType NUMBER
);
CREATE TABLE Dataset (
    datasetKey INTEGER PRIMARY KEY AUTOINCREMENT,
    datasetName TEXT(255) COLLATE NOCASE
);
CREATE TABLE Path (
    pathKey INTEGER PRIMARY KEY AUTOINCREMENT,
    pathName TEXT(255) COLLATE NOCASE,
    datasetKey NUMBER
);
CREATE TABLE Node (
    nodeKey INTEGER PRIMARY KEY AUTOINCREMENT,
    nodeName TEXT(255) COLLATE NOCASE,
    p1 NUMBER, p2 NUMBER, p3 NUMBER,
    pathKey NUMBER,
    datasetKey NUMBER
);

INSERT INTO Config (keyName, keyValue) VALUES ('unit', '2');
INSERT INTO Config (keyName, keyValue) VALUES ('cycleCount', '0');
INSERT INTO Config (keyName, keyValue) VALUES ('port', 'COM1');
INSERT INTO Config (keyName, keyValue) VALUES ('softwareMotors', '3');

-- Old slide rows: one of a built-in model (replaced by step 10 to 11) and a user's own.
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration) VALUES ('JP65', 10, 100, 80, 900);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration) VALUES ('Custom', 5, 300, 50, 500);

INSERT INTO Motor (name, slideKey, effectiveStroke, acceleration, kp, ki, kd, kl, ks, kv) VALUES ('Motor1', 1, 100, 500, 70, 2, 500, 1000, 3, 1000);
INSERT INTO Motor (name, slideKey, effectiveStroke, acceleration, kp, ki, kd, kl, ks, kv) VALUES ('Motor2', 1, 100, 500, 70, 2, 500, 1000, 3, 1000);
INSERT INTO Motor (name, slideKey, effectiveStroke, acceleration, kp, ki, kd, kl, ks, kv) VALUES ('Motor3', 1, 100, 500, 70, 2, 500, 1000, 3, 1000);
INSERT INTO Motor (name, slideKey, effectiveStroke, acceleration, kp, ki, kd, kl, ks, kv) VALUES ('Motor4', 1, 100, 500, 70, 2, 500, 1000, 3, 1000);
INSERT INTO Motor (name, slideKey, effectiveStroke, acceleration, kp, ki, kd, kl, ks, kv) VALUES ('Motor5', 1, 100, 500, 70, 2, 500, 1000, 3, 1000);
INSERT INTO Motor (name, slideKey, effectiveStroke, acceleration, kp, ki, kd, kl, ks, kv) VALUES ('Motor6', 1, 100, 500, 70, 2, 500, 1000, 3, 1000);

INSERT INTO USER (userKey, name, password, role) VALUES (1, 'admin', 'admin', 1);
INSERT INTO USER (userKey, name, password, role) VALUES (2, 'operator', 'operator', 2);
INSERT INTO USER (userKey, name, password, role) VALUES (3, 'O''Brien', 'service', 3);
INSERT INTO IO (ioNumber, ioName, ioType) VALUES (1, 'Start', 0);
INSERT INTO IO (ioNumber, ioName, ioType) VALUES (2, 'Stop', 0);
INSERT INTO IO (ioNumber, ioName, ioType) VALUES (1, 'Lamp', 1);
INSERT INTO IO (ioNumber, ioName, ioType) VALUES (2, 'Horn', 1);

-- Two datasets: loose points in both, a straight polyline and an arc (its
-- construction points; arcs of this age have no "pitch" and "rotations").
INSERT INTO Dataset (datasetKey, datasetName) VALUES (1, 'Global');
INSERT INTO Dataset (datasetKey, datasetName) VALUES (2, 'PartA');
INSERT INTO Path (pathKey, pathName, datasetKey) VALUES (1, 'outline', 2);
INSERT INTO Path (pathKey, pathName, datasetKey) VALUES (2, 'circle', 2);
INSERT INTO Node (nodeName, p1, p2, p3, pathKey, datasetKey) VALUES ('home', 0, 0, 0, 0, 1);
INSERT INTO Node (nodeName, p1, p2, p3, pathKey, datasetKey) VALUES ('park', 500, 500, 0, 0, 1);
INSERT INTO Node (nodeName, p1, p2, p3, pathKey, datasetKey) VALUES ('a', 100, 0, 0, 1, 2);
INSERT INTO Node (nodeName, p1, p2, p3, pathKey, datasetKey) VALUES ('b', 100, 200, 0, 1, 2);
INSERT INTO Node (nodeName, p1, p2, p3, pathKey, datasetKey) VALUES ('c', 0, 200, 50, 1, 2);
INSERT INTO Node (nodeName, p1, p2, p3, pathKey, datasetKey) VALUES ('center', 1000, 1000, 0, 2, 2);
INSERT INTO Node (nodeName, p1, p2, p3, pathKey, datasetKey) VALUES ('start', 1500, 1000, 0, 2, 2);
INSERT INTO Node (nodeName, p1, p2, p3, pathKey, datasetKey) VALUES ('end', 1000, 1500, 0, 2, 2);
INSERT INTO Node (nodeName, p1, p2, p3, pathKey, datasetKey) VALUES ('probe', 20, 30, 40, 0, 2);
COMMIT;
