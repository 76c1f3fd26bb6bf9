-- Client parameter database (<CLIENT>_REMU): tables without a year.

CREATE TABLE IF NOT EXISTS bancos (
  codigo_ban VARCHAR(10) NOT NULL,
  nombre_ban VARCHAR(60) DEFAULT '',
  PRIMARY KEY (codigo_ban)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS instituciones_apv (
  codigo_inst_apv VARCHAR(10) NOT NULL,
  nombre_inst_apv VARCHAR(60) DEFAULT '',
  PRIMARY KEY (codigo_inst_apv)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS tipo_trabajador (
  codigo_tipo_trabajador VARCHAR(2) NOT NULL,
  nombre_tipo_trabajador VARCHAR(60) DEFAULT '',
  PRIMARY KEY (codigo_tipo_trabajador)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS movim_personal (
  codigo_mov VARCHAR(3) NOT NULL,
  nombre_mov VARCHAR(60) DEFAULT '',
  PRIMARY KEY (codigo_mov)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;
