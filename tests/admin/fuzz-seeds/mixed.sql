DELIMITER $$
CREATE PROCEDURE p() BEGIN SELECT 'a;b'; END$$
delimiter ;
/*!40101 SET NAMES latin2 */;
INSERT INTO `t`(`a`) VALUES
('x\'y\\'),
(NULL);
-- end
# cSELECT "q\"" -- x
;