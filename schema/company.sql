-- Company database (one per employer): tables without a year.
-- Text columns keep trailing blanks (VARCHAR); the client trims where it compares or shows.

CREATE TABLE IF NOT EXISTS anos (
  ano VARCHAR(4) NOT NULL,
  PRIMARY KEY (ano)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Edited row by row through the worker file, hence the surrogate id.
CREATE TABLE IF NOT EXISTS vacaciones (
  id INT NOT NULL AUTO_INCREMENT,
  codigo_per_vac VARCHAR(4) NOT NULL DEFAULT '',
  rut_per_vac VARCHAR(12) DEFAULT '',
  nombre_per_vac VARCHAR(100) DEFAULT '',
  fecini_vac DATE NULL,
  fechas_vac DATE NULL,
  dias_vac DECIMAL(6,2) DEFAULT 0,
  numcom_vac VARCHAR(20) DEFAULT '',
  PRIMARY KEY (id),
  KEY vacaciones_codigo (codigo_per_vac)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;
