-- Demo master database: the seed the build turns into examples/master.db.
--
-- ILLUSTRATIVE DEMO DATA. The locales are the ones the demo offers; the
-- bed-expansion formulas describe generic resin classes with plausible, rounded
-- curves for backwash at 5-30 m/h and 20 °C. They are not measured data of any
-- product and must not be used to design a plant.
--
-- Read with MasterDatabase (modules/database). The schema version below is
-- MasterDatabase::SchemaVersion; the application id marks the file as a master
-- database ("VDMD").

PRAGMA application_id = 1447316804;
PRAGMA user_version = 1;

BEGIN;

-- Locales the application may offer, in the order they are listed.
-- active: 'Y' = offered, anything else = not offered.
CREATE TABLE locales (
    code        TEXT    NOT NULL PRIMARY KEY,
    active      TEXT    NOT NULL,
    description TEXT    NOT NULL,
    sort_order  INTEGER NOT NULL
);

INSERT INTO locales (code, active, description, sort_order) VALUES
    ('en_GB', 'Y', 'English (United Kingdom)', 10),
    ('en_US', 'Y', 'English (United States)',  20),
    ('de_DE', 'Y', 'Deutsch (Deutschland)',    30),
    ('fr_FR', 'Y', 'Français (France)',        40),
    ('es_ES', 'N', 'Español (España)',         50),
    ('zh_CN', 'Y', '中文 (中国)',               60);

-- Bed expansion in per cent of the settled bed height as a function of the
-- backwash velocity x in m/h at reference_temperature (°C); the calculation
-- corrects for other temperatures through the viscosity of water.
-- The expression is muParser syntax in x with the constants a0 ... a9.
-- clamp_lower / clamp_upper: x outside [lower_bound, upper_bound] is moved to
-- the bound (1) or left alone (0). Below about 5 m/h the curves fall to zero
-- expansion on their own, so only the upper end is clamped: light resins are
-- carried out of the vessel long before 30 m/h, and their curves stop earlier.
CREATE TABLE bed_expansion_formulas (
    name                  TEXT    NOT NULL PRIMARY KEY,
    description           TEXT    NOT NULL,
    expression            TEXT    NOT NULL,
    lower_bound           REAL    NOT NULL,
    upper_bound           REAL    NOT NULL,
    reference_temperature REAL    NOT NULL DEFAULT 20,
    clamp_lower           INTEGER NOT NULL DEFAULT 0,
    clamp_upper           INTEGER NOT NULL DEFAULT 1,
    a0 REAL NOT NULL DEFAULT 0, a1 REAL NOT NULL DEFAULT 0,
    a2 REAL NOT NULL DEFAULT 0, a3 REAL NOT NULL DEFAULT 0,
    a4 REAL NOT NULL DEFAULT 0, a5 REAL NOT NULL DEFAULT 0,
    a6 REAL NOT NULL DEFAULT 0, a7 REAL NOT NULL DEFAULT 0,
    a8 REAL NOT NULL DEFAULT 0, a9 REAL NOT NULL DEFAULT 0,
    CHECK (lower_bound < upper_bound)
);

INSERT INTO bed_expansion_formulas
    (name, description, expression, lower_bound, upper_bound, reference_temperature,
     clamp_lower, clamp_upper, a0, a1, a2)
VALUES
    -- about 20 % at 5 m/h, 45 % at 10 m/h, 100 % at 20 m/h
    ('SAC_GEL',   'Strong acid cation, gel',        'a0 + a1*x + a2*x^2', 5, 30, 20, 0, 1, -3.0,  4.3, 0.05),
    -- denser, coarser beads: about 15 % at 5 m/h, 35 % at 10 m/h
    ('SAC_MACRO', 'Strong acid cation, macroporous', 'a0 + a1*x + a2*x^2', 5, 30, 20, 0, 1, -2.0,  3.2, 0.04),
    -- lighter: about 30 % at 5 m/h, 70 % at 10 m/h
    ('WAC_GEL',   'Weak acid cation, gel',          'a0 + a1*x + a2*x^2', 5, 20, 20, 0, 1, -4.0,  6.4, 0.08),
    ('WAC_MACRO', 'Weak acid cation, macroporous',  'a0 + a1*x + a2*x^2', 5, 20, 20, 0, 1, -3.0,  5.6, 0.07),
    -- anion resins are much lighter: about 40 % at 5 m/h, 95 % at 10 m/h
    ('SBA_GEL',   'Strong base anion, gel',         'a0 + a1*x + a2*x^2', 5, 15, 20, 0, 1, -5.0,  8.5, 0.15),
    ('SBA_MACRO', 'Strong base anion, macroporous', 'a0 + a1*x + a2*x^2', 5, 20, 20, 0, 1, -4.0,  7.0, 0.12),
    -- the lightest class: about 50 % at 5 m/h, 115 % at 10 m/h
    ('WBA_GEL',   'Weak base anion, gel',           'a0 + a1*x + a2*x^2', 5, 12, 20, 0, 1, -6.0, 10.0, 0.20),
    ('WBA_MACRO', 'Weak base anion, macroporous',   'a0 + a1*x + a2*x^2', 5, 15, 20, 0, 1, -5.0,  9.0, 0.18);

COMMIT;
