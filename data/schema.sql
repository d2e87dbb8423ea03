-- vek database, schema version 12: the empty database an install starts with.
-- The build turns this file into data/vek.db (cmake/VekData.cmake).
--
-- Text compares without regard to case (COLLATE NOCASE), as it always has in
-- vek's database: a Config name written as "Unit" updates the "unit" row
-- instead of adding a second one that the configuration could not load.
-- Auto keys never reuse the key of a deleted row (AUTOINCREMENT).
PRAGMA foreign_keys = OFF;
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
    maxAcceleration NUMBER,
    motorType NUMBER
);
-- Rows added with only a name (new axes) get the default labels and zero tuning.
CREATE TABLE Motor (
    motorKey INTEGER PRIMARY KEY AUTOINCREMENT,
    name TEXT(255) COLLATE NOCASE,
    slideKey NUMBER DEFAULT -31913,
    effectiveStroke NUMBER DEFAULT 0,
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
    out7 TEXT(255) COLLATE NOCASE DEFAULT 'Out7',
    out8 TEXT(255) COLLATE NOCASE DEFAULT 'Out8',
    out9 TEXT(255) COLLATE NOCASE DEFAULT 'Out9',
    out10 TEXT(255) COLLATE NOCASE DEFAULT 'Out10',
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
CREATE TABLE Simulation (
    motorKey NUMBER NOT NULL PRIMARY KEY,
    in1 TEXT(255) COLLATE NOCASE,
    in2 TEXT(255) COLLATE NOCASE,
    in3 TEXT(255) COLLATE NOCASE,
    in4 TEXT(255) COLLATE NOCASE,
    in5 TEXT(255) COLLATE NOCASE,
    in6 TEXT(255) COLLATE NOCASE,
    in7 TEXT(255) COLLATE NOCASE,
    in8 TEXT(255) COLLATE NOCASE,
    in9 TEXT(255) COLLATE NOCASE,
    in10 TEXT(255) COLLATE NOCASE,
    in11 TEXT(255) COLLATE NOCASE,
    in12 TEXT(255) COLLATE NOCASE
);
CREATE TABLE USER (
    userKey INTEGER PRIMARY KEY,
    name TEXT(255) COLLATE NOCASE,
    password TEXT(255) COLLATE NOCASE,
    role NUMBER,
    company TEXT(255) COLLATE NOCASE
);
CREATE TABLE IO (
    ioKey INTEGER PRIMARY KEY AUTOINCREMENT,
    ioNumber NUMBER,
    ioName TEXT(255) COLLATE NOCASE,
    ioType NUMBER
);
CREATE TABLE Hmi (
    ioNumber NUMBER NOT NULL PRIMARY KEY,
    numberData NUMBER,
    binaryData NUMBER
);
CREATE TABLE Dataset (
    datasetKey INTEGER PRIMARY KEY AUTOINCREMENT,
    datasetName TEXT(255) COLLATE NOCASE
);
CREATE TABLE Path (
    pathKey INTEGER PRIMARY KEY AUTOINCREMENT,
    pathName TEXT(255) COLLATE NOCASE,
    pathType NUMBER,
    datasetKey NUMBER
);
CREATE TABLE Node (
    nodeKey INTEGER PRIMARY KEY AUTOINCREMENT,
    nodeName TEXT(255) COLLATE NOCASE,
    p1 NUMBER, p2 NUMBER, p3 NUMBER, p4 NUMBER, p5 NUMBER, p6 NUMBER, p7 NUMBER, p8 NUMBER,
    pathKey NUMBER,
    datasetKey NUMBER,
    orderNumber NUMBER,
    speed NUMBER,
    acceleration NUMBER,
    mode NUMBER
);
CREATE INDEX NodeOrder ON Node (datasetKey, pathKey, orderNumber, nodeKey);

INSERT INTO Config (keyName, keyValue) VALUES ('dbVersion', '12');
INSERT INTO Config (keyName, keyValue) VALUES ('unit', '2');
INSERT INTO Config (keyName, keyValue) VALUES ('cycleCount', '0');
INSERT INTO Config (keyName, keyValue) VALUES ('softwareMotors', '3');
INSERT INTO Config (keyName, keyValue) VALUES ('port', 'COM1');

-- The built-in slide models: model by model, pitch by pitch, stroke by stroke.
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP65', 10, 50, 80, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP65', 10, 100, 80, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP65', 10, 150, 80, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP65', 10, 200, 80, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP65', 10, 250, 80, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP65', 19.05, 50, 165, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP65', 19.05, 100, 165, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP65', 19.05, 150, 165, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP65', 19.05, 200, 165, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP65', 19.05, 250, 165, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP65', 38.1, 50, 380, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP65', 38.1, 100, 380, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP65', 38.1, 150, 380, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP65', 38.1, 200, 380, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP65', 38.1, 250, 380, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP90', 10, 50, 135, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP90', 10, 100, 135, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP90', 10, 150, 135, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP90', 10, 200, 135, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP90', 10, 250, 135, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP90', 16, 50, 220, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP90', 16, 100, 220, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP90', 16, 150, 220, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP90', 16, 200, 220, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP90', 16, 250, 220, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP90', 38.1, 50, 510, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP90', 38.1, 100, 510, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP90', 38.1, 150, 510, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP90', 38.1, 200, 510, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('JP90', 38.1, 250, 510, 900, 2);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('WX21', 0.2, 360, 150, 72000, 4);
INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES ('WX75', 0.2, 360, 180, 72000, 4);

-- Eight axes on a JP65 slide with 10 mm lead and 200 mm stroke (slide 4),
-- with the default labels and tuning that suits that slide unloaded.
INSERT INTO Motor (name, slideKey, effectiveStroke, kp, ki, kd, kl, ks, kv, ka, kg) VALUES ('Motor1', 4, 200, 70, 2, 500, 1000, 3, 1000, 0, 0);
INSERT INTO Motor (name, slideKey, effectiveStroke, kp, ki, kd, kl, ks, kv, ka, kg) VALUES ('Motor2', 4, 200, 70, 2, 500, 1000, 3, 1000, 0, 0);
INSERT INTO Motor (name, slideKey, effectiveStroke, kp, ki, kd, kl, ks, kv, ka, kg) VALUES ('Motor3', 4, 200, 70, 2, 500, 1000, 3, 1000, 0, 0);
INSERT INTO Motor (name, slideKey, effectiveStroke, kp, ki, kd, kl, ks, kv, ka, kg) VALUES ('Motor4', 4, 200, 70, 2, 500, 1000, 3, 1000, 0, 0);
INSERT INTO Motor (name, slideKey, effectiveStroke, kp, ki, kd, kl, ks, kv, ka, kg) VALUES ('Motor5', 4, 200, 70, 2, 500, 1000, 3, 1000, 0, 0);
INSERT INTO Motor (name, slideKey, effectiveStroke, kp, ki, kd, kl, ks, kv, ka, kg) VALUES ('Motor6', 4, 200, 70, 2, 500, 1000, 3, 1000, 0, 0);
INSERT INTO Motor (name, slideKey, effectiveStroke, kp, ki, kd, kl, ks, kv, ka, kg) VALUES ('Motor7', 4, 200, 70, 2, 500, 1000, 3, 1000, 0, 0);
INSERT INTO Motor (name, slideKey, effectiveStroke, kp, ki, kd, kl, ks, kv, ka, kg) VALUES ('Motor8', 4, 200, 70, 2, 500, 1000, 3, 1000, 0, 0);

INSERT INTO Dataset (datasetKey, datasetName) VALUES (1, 'Global');
COMMIT;
