-- Company database: tables of one payroll year. @YEAR@ is the four-digit year.

CREATE TABLE IF NOT EXISTS `@YEAR@_meses` (
  mes VARCHAR(2) NOT NULL,
  PRIMARY KEY (mes)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `@YEAR@_personal` (
  mes_per VARCHAR(2) NOT NULL,
  codigo_per VARCHAR(4) NOT NULL,
  rut_per VARCHAR(11) DEFAULT '',
  clave_per VARCHAR(10) DEFAULT '',
  nombre_per VARCHAR(100) DEFAULT '',
  nombres_per VARCHAR(60) DEFAULT '',
  apepat_per VARCHAR(40) DEFAULT '',
  apemat_per VARCHAR(40) DEFAULT '',
  anomes_termino_per INT DEFAULT 0,
  fecha_contrato_per DATE NULL,
  fecha_ini_lab_per DATE NULL,
  fecha_termino_per DATE NULL,
  fecha_nacimiento_per DATE NULL,
  cargo_per VARCHAR(60) DEFAULT '',
  cencosto_per VARCHAR(10) DEFAULT '',
  direccion_per VARCHAR(100) DEFAULT '',
  comuna_per VARCHAR(40) DEFAULT '',
  ciudad_per VARCHAR(40) DEFAULT '',
  telefono_per VARCHAR(20) DEFAULT '',
  correo_per VARCHAR(100) DEFAULT '',
  sexo_per INT DEFAULT 0,
  estado_civil_per INT DEFAULT 0,
  nacionalidad_per INT DEFAULT 0,
  dir_foto_per VARCHAR(200) DEFAULT '',
  sueldo_base_per DECIMAL(14,2) DEFAULT 0,
  moneda_sueldo_per INT DEFAULT 1,
  moneda_sueldo_valor_per DECIMAL(14,4) DEFAULT 0,
  adicional_pesos_per DECIMAL(14,2) DEFAULT 0,
  sueldo_patronal_per DECIMAL(14,2) DEFAULT 0,
  forma_pago_sueldo_per INT DEFAULT 0,
  codigo_banco_per VARCHAR(10) DEFAULT '',
  cuenta_banco_per VARCHAR(30) DEFAULT '',
  comprobante_pago INT DEFAULT 0,
  tipo_trabajador_per VARCHAR(2) DEFAULT '0',
  tipo_jornada_per VARCHAR(20) DEFAULT '',
  dias_jornada_parcial_per DECIMAL(6,2) DEFAULT 0,
  nombre_regimen_previsional VARCHAR(60) DEFAULT '',
  codigo_afp_per VARCHAR(10) DEFAULT '',
  codigo_ips_per VARCHAR(10) DEFAULT '',
  afp_seguro_cesantia_per VARCHAR(10) DEFAULT '',
  seguro_cesantia_per INT DEFAULT 1,
  sis_per INT DEFAULT 0,
  codigo_isa_per VARCHAR(10) DEFAULT '',
  pactado_isapre_per INT DEFAULT 1,
  valor_pactado_per DECIMAL(14,4) DEFAULT 0,
  cargas_simples_per INT DEFAULT 0,
  tramo_carga_per VARCHAR(1) DEFAULT '',
  total_imponible_per DECIMAL(14,2) DEFAULT 0,
  dias_trabajados_per DECIMAL(6,2) DEFAULT 0,
  PRIMARY KEY (mes_per, codigo_per),
  KEY personal_rut (rut_per),
  KEY personal_codigo (codigo_per)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `@YEAR@_datos_empresa` (
  mes_datemp VARCHAR(2) NOT NULL,
  nombre_datemp VARCHAR(100) DEFAULT '',
  Rut_datemp VARCHAR(12) DEFAULT '',
  direccion_datemp VARCHAR(100) DEFAULT '',
  comuna_datemp VARCHAR(40) DEFAULT '',
  ciudad_datemp VARCHAR(40) DEFAULT '',
  rep_legal_datemp VARCHAR(100) DEFAULT '',
  rut_rep_Legal_datemp VARCHAR(12) DEFAULT '',
  dir_logotipo_datemp VARCHAR(200) DEFAULT '',
  dir_logotipo_datemp_jpg VARCHAR(200) DEFAULT '',
  dir_firma_datemp VARCHAR(200) DEFAULT '',
  dir_firma_datemp_jpg VARCHAR(200) DEFAULT '',
  codigo_mutual_datemp VARCHAR(2) DEFAULT '00',
  porcentaje_mutual_datemp DECIMAL(6,3) DEFAULT 0,
  codigo_ccaf_datemp VARCHAR(2) DEFAULT '00',
  porcentaje_ccaf_datemp DECIMAL(6,3) DEFAULT 0,
  id_cliente_cont_datemp VARCHAR(64) DEFAULT '',
  PRIMARY KEY (mes_datemp)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Catalogue of earnings and deductions; nombre_had and tipo_had only describe the item.
CREATE TABLE IF NOT EXISTS `@YEAR@_habdes` (
  codigo_had VARCHAR(3) NOT NULL,
  nombre_had VARCHAR(50) DEFAULT '',
  tipo_had INT DEFAULT 0,
  semcor_had INT DEFAULT 0,
  PRIMARY KEY (codigo_had)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- No natural key (a worker may carry the same item twice in a month): surrogate id.
CREATE TABLE IF NOT EXISTS `@YEAR@_habdes_remu` (
  id INT NOT NULL AUTO_INCREMENT,
  mes_hd_remu VARCHAR(2) NOT NULL,
  codigo_per_remu VARCHAR(4) NOT NULL DEFAULT '    ',
  nombre_per_remu VARCHAR(100) DEFAULT '',
  cencos_per_remu VARCHAR(10) DEFAULT '',
  codigo_hd_remu VARCHAR(3) NOT NULL,
  nombre_hd_remu VARCHAR(50) DEFAULT '',
  tipo_hd_remu INT DEFAULT 0,
  imponi_hd_remu INT DEFAULT 0,
  valor_hd_remu DECIMAL(14,2) DEFAULT 0,
  formula_hd_remu VARCHAR(200) DEFAULT '',
  fijo_remu INT DEFAULT 0,
  cencos_hd_remu VARCHAR(10) DEFAULT '',
  codigo_mov_remu VARCHAR(3) DEFAULT '',
  nombre_mov_remu VARCHAR(60) DEFAULT '',
  fecdes_remu DATE NULL,
  fechas_remu DATE NULL,
  PRIMARY KEY (id),
  KEY habdes_remu_mes (mes_hd_remu, codigo_per_remu),
  KEY habdes_remu_item (codigo_hd_remu, mes_hd_remu)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Edited row by row in the savings editor, hence the surrogate id.
CREATE TABLE IF NOT EXISTS `@YEAR@_apv` (
  id INT NOT NULL AUTO_INCREMENT,
  mes_apv VARCHAR(2) NOT NULL,
  codper_apv VARCHAR(4) NOT NULL,
  nomper_apv VARCHAR(100) DEFAULT '',
  codigo_inst_apv VARCHAR(10) DEFAULT '',
  nominst_apv VARCHAR(60) DEFAULT '',
  valor_apv DECIMAL(14,4) DEFAULT 0,
  formula_apv VARCHAR(200) DEFAULT '',
  rebaja_tributable INT DEFAULT 0,
  desactivado INT DEFAULT 0,
  PRIMARY KEY (id),
  KEY apv_mes (mes_apv, codper_apv)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- No natural key: surrogate id.
CREATE TABLE IF NOT EXISTS `@YEAR@_ajuste` (
  id INT NOT NULL AUTO_INCREMENT,
  mes_rem VARCHAR(2) NOT NULL,
  person_rem VARCHAR(4) NOT NULL,
  nombre_rem VARCHAR(100) DEFAULT '',
  habdes_rem VARCHAR(3) DEFAULT '',
  tipo_rem INT DEFAULT 0,
  descri_rem VARCHAR(50) DEFAULT '',
  valfin_rem DECIMAL(14,2) DEFAULT 0,
  PRIMARY KEY (id),
  KEY ajuste_mes (mes_rem, person_rem)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;
