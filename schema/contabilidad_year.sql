-- Accounting database (named in id_cliente_cont_datemp): cost centres of one year.

CREATE TABLE IF NOT EXISTS `@YEAR@_centrocosto` (
  codigo_cc VARCHAR(10) NOT NULL,
  nombre_cc VARCHAR(60) DEFAULT '',
  PRIMARY KEY (codigo_cc)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;
