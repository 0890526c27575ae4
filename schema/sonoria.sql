-- Sonoria database, version 17.0.0.21.
-- Run in an empty database (character set latin2, collation latin2_hungarian_ci):
--   mariadb DATABASE < schema/sonoria.sql
-- This file is UTF-8; the texts are stored in latin2.
--
-- Text formats of the views (the program shows and prints them as they come):
--   irszvaroscim  "1051 Budapest, Fő utca 1."  postal code, space, city, comma, space, street (<= 113)
--   szulstr       "Szeged, 1970.05.12"         place, comma, space, birth date (<= 62)
--   tulvaroscim   "Szeged, Kossuth tér 2."     the practice's city, comma, space, street (<= 77)
--   munkalapstr   "2024/00123" in vw_munkalap (year, slash, serial number of the year, <= 16);
--                 "00123" in vw_arbevetel and vw_fogyas (the serial number, 5 characters, never NULL)
-- Parts left empty drop their separators. Deleted patients (torolve = 'I') and cancelled
-- examinations (storno = 'I') are left out of every view; mlapdb counts the kept examinations.
-- Status codes: 0 "Rögzítés alatt" (new), 1 "Kész" (finished by sp_munkalapkesz), 3 and above
-- "Lezárt" (closed: the program no longer saves the examination).

SET NAMES utf8mb4;

CREATE TABLE ugyfel (
  ugyfel INT NOT NULL AUTO_INCREMENT,
  ugyfel_nev VARCHAR(75) DEFAULT NULL,
  taj VARCHAR(30) DEFAULT NULL,
  telefon VARCHAR(100) DEFAULT NULL,
  emil VARCHAR(75) DEFAULT NULL,
  cim_irsz VARCHAR(10) DEFAULT NULL,
  cim_varos VARCHAR(50) DEFAULT NULL,
  cim_cim VARCHAR(50) DEFAULT NULL,
  torolve CHAR(1) DEFAULT 'N',
  dat_utolso DATE DEFAULT NULL,
  dat_figyelmeztet DATE DEFAULT NULL,
  csoport INT DEFAULT 0,
  megjegyzes TEXT DEFAULT NULL,
  szuldatum VARCHAR(10) DEFAULT NULL,
  szulhely VARCHAR(50) DEFAULT NULL,
  anyjaneve VARCHAR(50) DEFAULT NULL,
  PRIMARY KEY (ugyfel),
  KEY ix_ugyfel_nev (ugyfel_nev),
  KEY ix_ugyfel_taj (taj)
) ENGINE=InnoDB DEFAULT CHARSET=latin2 COLLATE=latin2_hungarian_ci;

CREATE TABLE munkalap (
  munkalap INT NOT NULL AUTO_INCREMENT,
  ev INT DEFAULT NULL,
  sorszam INT DEFAULT NULL,
  mlaptipus INT DEFAULT 1,
  cim VARCHAR(50) DEFAULT NULL,
  ugyfel INT DEFAULT NULL,
  datum DATE DEFAULT NULL,
  statusz INT DEFAULT 0,
  m01 VARCHAR(50) DEFAULT NULL, m02 VARCHAR(50) DEFAULT NULL, m03 VARCHAR(50) DEFAULT NULL,
  m04 VARCHAR(50) DEFAULT NULL, m05 VARCHAR(50) DEFAULT NULL, m06 VARCHAR(50) DEFAULT NULL,
  m07 VARCHAR(50) DEFAULT NULL, m08 VARCHAR(50) DEFAULT NULL, m09 VARCHAR(50) DEFAULT NULL,
  m10 VARCHAR(50) DEFAULT NULL, m11 VARCHAR(50) DEFAULT NULL, m12 VARCHAR(50) DEFAULT NULL,
  m13 VARCHAR(50) DEFAULT NULL, m14 VARCHAR(50) DEFAULT NULL, m15 VARCHAR(50) DEFAULT NULL,
  m16 VARCHAR(50) DEFAULT NULL, m17 VARCHAR(50) DEFAULT NULL, m18 VARCHAR(50) DEFAULT NULL,
  m19 VARCHAR(50) DEFAULT NULL, m20 VARCHAR(50) DEFAULT NULL,
  panaszok VARCHAR(255) DEFAULT NULL,
  szoveg TEXT DEFAULT NULL,
  velemeny TEXT DEFAULT NULL,
  ar_ossz DOUBLE DEFAULT 0,
  storno CHAR(1) DEFAULT 'N',
  -- The serial number while the examination is kept, NULL once it is cancelled: the unique key below
  -- lets no two kept examinations of a year share a number, on one server or on every node of a
  -- cluster. Invisible, so "SELECT *", the dumps and INSERTs without a column list do not see it.
  sorszam_elo INT AS (IF(storno = 'I', NULL, sorszam)) STORED INVISIBLE,
  PRIMARY KEY (munkalap),
  UNIQUE KEY ux_munkalap_sorszam (ev, sorszam_elo),
  KEY ix_munkalap_ugyfel (ugyfel, storno),  -- counts a patient's examinations from the index alone
  KEY ix_munkalap_ev (ev, sorszam),         -- the year tabs, and the year's highest number
  KEY ix_munkalap_datum (datum)
) ENGINE=InnoDB DEFAULT CHARSET=latin2 COLLATE=latin2_hungarian_ci;

CREATE TABLE munkalap_tetel (
  munkalap_tetel INT NOT NULL AUTO_INCREMENT,
  munkalap INT DEFAULT NULL,
  tetel INT DEFAULT NULL,
  tetel_nev VARCHAR(100) DEFAULT NULL,
  ar DOUBLE DEFAULT NULL,
  PRIMARY KEY (munkalap_tetel),
  KEY ix_munkalap_tetel_munkalap (munkalap),
  KEY ix_munkalap_tetel_tetel (tetel)
) ENGINE=InnoDB DEFAULT CHARSET=latin2 COLLATE=latin2_hungarian_ci;

CREATE TABLE tetel (
  tetel INT NOT NULL AUTO_INCREMENT,
  who VARCHAR(10) DEFAULT NULL,
  tetel_nev VARCHAR(100) DEFAULT NULL,
  ar DOUBLE DEFAULT NULL,
  PRIMARY KEY (tetel),
  KEY ix_tetel_who (who)
) ENGINE=InnoDB DEFAULT CHARSET=latin2 COLLATE=latin2_hungarian_ci;

CREATE TABLE szotar (
  cim VARCHAR(50) NOT NULL,
  szoveg TEXT DEFAULT NULL,
  PRIMARY KEY (cim),
  CONSTRAINT ck_szotar_cim CHECK (cim <> '')
) ENGINE=InnoDB DEFAULT CHARSET=latin2 COLLATE=latin2_hungarian_ci;

CREATE TABLE irsz (
  id INT NOT NULL AUTO_INCREMENT,
  irsz VARCHAR(5) DEFAULT NULL,
  varos VARCHAR(75) DEFAULT NULL,
  PRIMARY KEY (id),
  KEY ix_irsz_irsz (irsz)
) ENGINE=InnoDB DEFAULT CHARSET=latin2 COLLATE=latin2_hungarian_ci;

CREATE TABLE felhasznalo (
  felhasznalo VARCHAR(20) NOT NULL,
  felhasznalo_nev VARCHAR(20) DEFAULT NULL,
  jelszo VARCHAR(10) DEFAULT NULL,
  rendszergazda CHAR(1) DEFAULT 'N',
  torzsszerkeszt CHAR(1) DEFAULT 'N',
  canins CHAR(1) DEFAULT 'I',
  canedit CHAR(1) DEFAULT 'I',
  candel CHAR(1) DEFAULT 'I',
  PRIMARY KEY (felhasznalo),
  CONSTRAINT ck_felhasznalo CHECK (felhasznalo <> '')
) ENGINE=InnoDB DEFAULT CHARSET=latin2 COLLATE=latin2_hungarian_ci;

CREATE TABLE beallit (
  beallit INT NOT NULL AUTO_INCREMENT,
  vanbelep CHAR(1) DEFAULT 'N',
  figynap INT DEFAULT 0,
  PRIMARY KEY (beallit)
) ENGINE=InnoDB DEFAULT CHARSET=latin2 COLLATE=latin2_hungarian_ci;

CREATE TABLE tulajdonos (
  tulajdonos VARCHAR(50) DEFAULT NULL,
  telefon VARCHAR(25) DEFAULT NULL,
  irsz VARCHAR(5) DEFAULT NULL,
  varos VARCHAR(25) DEFAULT NULL,
  cim VARCHAR(50) DEFAULT NULL,
  mobil VARCHAR(25) DEFAULT NULL,
  fax VARCHAR(25) DEFAULT NULL,
  adoszam VARCHAR(11) DEFAULT NULL,
  bankszamlaszam VARCHAR(24) DEFAULT NULL,
  vallig VARCHAR(30) DEFAULT NULL,
  ugyvez VARCHAR(30) DEFAULT NULL,
  kozadoszam VARCHAR(30) DEFAULT NULL,
  tirsz VARCHAR(5) DEFAULT NULL,
  tvaros VARCHAR(25) DEFAULT NULL,
  tcim VARCHAR(50) DEFAULT NULL
) ENGINE=InnoDB DEFAULT CHARSET=latin2 COLLATE=latin2_hungarian_ci;

CREATE TABLE verzio (
  verzio VARCHAR(15) NOT NULL
) ENGINE=InnoDB DEFAULT CHARSET=latin2 COLLATE=latin2_hungarian_ci;

CREATE VIEW vw_ugyfel AS
SELECT u.ugyfel, u.ugyfel_nev, u.taj, u.telefon, u.emil, u.cim_irsz, u.cim_varos, u.cim_cim, u.torolve,
       u.dat_utolso, u.dat_figyelmeztet, u.csoport, u.megjegyzes, u.szuldatum, u.szulhely, u.anyjaneve,
       CAST(IF(COALESCE(u.csoport, 0) > 0, CONCAT('Csoport ', u.csoport), '') AS CHAR(50) CHARACTER SET latin2) AS csoport_nev,
       CAST(CONCAT_WS(', ', NULLIF(CONCAT_WS(' ', NULLIF(u.cim_irsz, ''), NULLIF(u.cim_varos, '')), ''),
                      NULLIF(u.cim_cim, '')) AS CHAR(113) CHARACTER SET latin2) AS irszvaroscim,
       (SELECT COUNT(*) FROM munkalap m WHERE m.ugyfel = u.ugyfel AND COALESCE(m.storno, 'N') <> 'I') AS mlapdb
FROM ugyfel u
WHERE COALESCE(u.torolve, 'N') <> 'I';

CREATE VIEW vw_munkalap AS
SELECT m.munkalap, m.ev, m.sorszam, m.mlaptipus, m.cim, m.ugyfel, m.datum, m.statusz,
       m.m01, m.m02, m.m03, m.m04, m.m05, m.m06, m.m07, m.m08, m.m09, m.m10,
       m.m11, m.m12, m.m13, m.m14, m.m15, m.m16, m.m17, m.m18, m.m19, m.m20,
       m.panaszok, m.szoveg, m.velemeny, m.ar_ossz,
       CAST(CASE m.mlaptipus WHEN 1 THEN 'Általános' WHEN 2 THEN 'Pajzsmirigy' WHEN 3 THEN 'Nyaki erek'
            WHEN 4 THEN 'Alsó végtagi erek' ELSE '' END AS CHAR(50) CHARACTER SET latin2) AS mlaptipus_nev,
       CAST(CASE WHEN COALESCE(m.statusz, 0) >= 3 THEN 'Lezárt' WHEN m.statusz >= 1 THEN 'Kész'
            ELSE 'Rögzítés alatt' END AS CHAR(50) CHARACTER SET latin2) AS statusz_nev,
       CAST(CONCAT(COALESCE(m.ev, 0), '/', LPAD(COALESCE(m.sorszam, 0), 5, '0')) AS CHAR(16) CHARACTER SET latin2) AS munkalapstr,
       u.ugyfel_nev, u.telefon, u.taj, u.anyjaneve,
       CAST(CONCAT_WS(', ', NULLIF(CONCAT_WS(' ', NULLIF(u.cim_irsz, ''), NULLIF(u.cim_varos, '')), ''),
                      NULLIF(u.cim_cim, '')) AS CHAR(113) CHARACTER SET latin2) AS irszvaroscim,
       CAST(CONCAT_WS(', ', NULLIF(u.szulhely, ''), NULLIF(u.szuldatum, '')) AS CHAR(62) CHARACTER SET latin2) AS szulstr
FROM munkalap m LEFT JOIN ugyfel u ON u.ugyfel = m.ugyfel
WHERE COALESCE(m.storno, 'N') <> 'I';

CREATE VIEW vw_munkalap_tetel AS
SELECT t.munkalap_tetel, t.munkalap, t.tetel, t.tetel_nev, t.ar, i.who
FROM munkalap_tetel t LEFT JOIN tetel i ON i.tetel = t.tetel;

CREATE VIEW vw_mlapcount AS
SELECT m.ugyfel, COUNT(*) AS mlapdb
FROM munkalap m
WHERE COALESCE(m.storno, 'N') <> 'I'
GROUP BY m.ugyfel;

CREATE VIEW vw_arbevetel AS
SELECT m.munkalap, CAST(LPAD(COALESCE(m.sorszam, 0), 5, '0') AS CHAR(5) CHARACTER SET latin2) AS munkalapstr, m.ugyfel,
       u.ugyfel_nev, m.datum, m.cim, m.ar_ossz
FROM munkalap m LEFT JOIN ugyfel u ON u.ugyfel = m.ugyfel
WHERE COALESCE(m.storno, 'N') <> 'I';

CREATE VIEW vw_fogyas AS
SELECT m.munkalap, CAST(LPAD(COALESCE(m.sorszam, 0), 5, '0') AS CHAR(5) CHARACTER SET latin2) AS munkalapstr, m.datum, m.cim,
       u.ugyfel_nev, t.tetel, t.tetel_nev, t.ar, i.who
FROM munkalap_tetel t
     JOIN munkalap m ON m.munkalap = t.munkalap
     LEFT JOIN ugyfel u ON u.ugyfel = m.ugyfel
     LEFT JOIN tetel i ON i.tetel = t.tetel
WHERE COALESCE(m.storno, 'N') <> 'I';

CREATE VIEW vw_who AS
SELECT CAST(COALESCE(i.who, '') AS CHAR(10) CHARACTER SET latin2) AS who, t.tetel_nev, t.ar, m.datum
FROM munkalap_tetel t
     JOIN munkalap m ON m.munkalap = t.munkalap
     LEFT JOIN tetel i ON i.tetel = t.tetel
WHERE COALESCE(m.storno, 'N') <> 'I';

CREATE VIEW vw_tulajdonos AS
SELECT t.tulajdonos,
       CAST(CONCAT_WS(', ', NULLIF(CONCAT_WS(' ', NULLIF(t.irsz, ''), NULLIF(t.varos, '')), ''),
                      NULLIF(t.cim, '')) AS CHAR(83) CHARACTER SET latin2) AS irszvaroscim,
       t.telefon
FROM tulajdonos t
LIMIT 1;

CREATE VIEW vw_boritek AS
SELECT u.ugyfel, u.ugyfel_nev, u.cim_irsz, u.cim_varos, u.cim_cim,
       CAST('' AS CHAR(50) CHARACTER SET latin2) AS kapcsolat2,
       t.tulajdonos, t.irsz AS tulirsz,
       CAST(CONCAT_WS(', ', NULLIF(t.varos, ''), NULLIF(t.cim, '')) AS CHAR(77) CHARACTER SET latin2) AS tulvaroscim,
       t.telefon AS tultelefon
FROM ugyfel u
     LEFT JOIN (SELECT * FROM tulajdonos LIMIT 1) t ON 1 = 1
WHERE COALESCE(u.torolve, 'N') <> 'I';

DELIMITER $$

-- A new examination of the patient and type: the year's next serial number, today's date, the title
-- of the type, status 0 and a zero total. LAST_INSERT_ID() gives the caller its key.
-- The number is read first and then inserted, each statement on its own: no lock is held between
-- them, and no table lock is taken. When another workstation (or another node of a cluster) stored
-- the same number in between, the unique key refuses the row and the next number is tried. A
-- cluster node that learns of the clash only when committing ends the call with a deadlock error
-- (1213); the program calls the procedure again.
CREATE PROCEDURE sp_ujmunkalap(IN p_ugyfel INT, IN p_mlaptipus INT)
BEGIN
  DECLARE v_ev INT DEFAULT YEAR(CURDATE());
  DECLARE v_sorszam INT;
  DECLARE v_foglalt INT DEFAULT 1;
  DECLARE v_probak INT DEFAULT 0;
  DECLARE CONTINUE HANDLER FOR 1062 SET v_foglalt = 1;
  WHILE v_foglalt = 1 DO
    IF v_probak >= 100 THEN
      SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'Az új vizsgálat sorszáma 100 próbálkozás után sem foglalható le.';
    END IF;
    SET v_foglalt = 0, v_probak = v_probak + 1;
    SELECT COALESCE(MAX(sorszam), 0) + 1 INTO v_sorszam FROM munkalap WHERE ev = v_ev;
    INSERT INTO munkalap (ev, sorszam, mlaptipus, cim, ugyfel, datum, statusz, ar_ossz, storno)
    VALUES (v_ev, v_sorszam, p_mlaptipus,
            CASE p_mlaptipus WHEN 2 THEN 'Pajzsmirigy ultrahang vizsgálat'
                             WHEN 3 THEN 'Nyaki erek Doppler vizsgálata'
                             WHEN 4 THEN 'Alsó végtagi erek Doppler vizsgálata'
                             ELSE 'Általános ultrahang vizsgálat' END,
            p_ugyfel, CURDATE(), 0, 0, 'N');
  END WHILE;
END$$

-- Records that the examination was finished: status 1 ("Kész") unless it stands higher already.
CREATE PROCEDURE sp_munkalapkesz(IN p_munkalap INT)
BEGIN
  UPDATE munkalap SET statusz = 1 WHERE munkalap = p_munkalap AND COALESCE(statusz, 0) < 1;
END$$

DELIMITER ;

INSERT INTO verzio (verzio) VALUES ('17.0.0.21');
INSERT INTO beallit (vanbelep, figynap) VALUES ('N', 0);
INSERT INTO tulajdonos (tulajdonos, telefon, irsz, varos, cim) VALUES ('', '', '', '', '');
