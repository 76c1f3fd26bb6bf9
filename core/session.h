#pragma once
// The session state: the process-wide named values created at start-up and at
// login and read by every operation under their names.

#include <memory>
#include <string>
#include <vector>

#include "core/date.h"
#include "core/period.h"

namespace remu {

class Connection;  // data/connection.h
class MainWindow;  // shell/main_window.h

struct Session {
    // Connection record (CONEXION.DBF), as stored.
    std::string CHOST;
    std::string CNOM_HOST;
    std::string CUSER;
    std::string CPASSWORD;
    std::string ID_CLIENTE;  // trimmed

    std::string CDATABASE = std::string(30, ' ');
    std::string CALIAS_EMPRESA = std::string(30, ' ');
    std::string CID_CLIENTE_CONT;  // empty = no value
    std::string ANO_PUBLICO;       // four-digit year text
    std::string MES_PUBLICO;       // two-digit month text
    std::string ANO_FIJO = " ";
    std::string MES_FIJO = " ";
    std::vector<std::string> TABLA_ANO;  // newest first
    std::vector<std::string> TAB_MESES;  // " 03- MARZO"
    std::string NOMES2 = " ";
    std::vector<std::string> TABLA_MESES;
    std::vector<std::string> TABLA_DIA;
    std::vector<std::string> TABLA_DIA_FILTRO;

    std::string CRUT_CONEXION_TRABAJADOR = std::string(11, ' ');
    std::string CCLAVE = std::string(6, ' ');
    std::string NOMSIS = "VORANIX REMUNERACIONES [ Talvo ]   03082018";
    MainWindow* OWNDMAIN = nullptr;  // the main window while it exists

    // The working period: C_ANO and C_MES of the documentation ("2019", "03"), checked
    // where it is chosen (the pay slip dialog's month, remu-cli's --ano and --mes).
    Period period;
    int N_MES = 0;  // 1-based entry of TAB_MESES chosen
    // The month's values (the worker list and the worker file read them).
    double VALOUF = 0;
    double VALUTM = 0;
    double TOPIMP = 0;
    double INGMIN = 0;
    double VALUSD = 0;
    double VALEURO = 0;
    std::string CFERIADOS_MES;

    // Pay slip dialog and outputs.
    bool LCCAF_MAS_FONASA = true;
    Date DFECHA;
    std::string CSUBTITUFIRMA = "'V°B° ADMINISTRACION'";
    std::string CPROCESO = " ";
    std::string CESTADO;
    std::string CCENCOS = "    ";
    std::string CCENCOS_NOMBRE = "    ";
    std::string CCODIGO_PERD = "    ";
    std::string CNOMBRE_PERD = "    ";
    std::string CCODIGO_PERH = "    ";
    std::string CNOMBRE_PERH = "    ";

    // The connection kept by the pay slip dialog and the worker list.
    std::shared_ptr<Connection> OCON;

    // An administration login: no worker bound, CUSER and CPASSWORD hold the account it
    // entered with (in memory only, never written to CONEXION.DBF).
    bool administration = false;

    // True when a worker is bound to the session (a worker login happened).
    bool workerBound() const { return CRUT_CONEXION_TRABAJADOR.find_first_not_of(' ') != std::string::npos; }
};

}  // namespace remu
