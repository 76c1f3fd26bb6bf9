-- Mail-queue database: pay slips waiting to be e-mailed. The client only adds rows.
-- No natural key (a row may be queued again on another day): surrogate id.

CREATE TABLE IF NOT EXISTS CORREOS_ENVIAR (
  id INT NOT NULL AUTO_INCREMENT,
  no_cia VARCHAR(4) DEFAULT '',
  cod_pla VARCHAR(2) DEFAULT '',
  no_emple VARCHAR(20) DEFAULT '',
  fecha_registro DATE NULL,
  nombre VARCHAR(100) DEFAULT '',
  direccion_correo VARCHAR(100) DEFAULT '',
  nombre_archivo VARCHAR(200) DEFAULT '',
  observaciones VARCHAR(1000) DEFAULT '',
  enviado VARCHAR(1) DEFAULT 'N',
  PRIMARY KEY (id),
  KEY correos_busca (fecha_registro, no_cia, cod_pla, no_emple)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;
