#pragma once
// Worker login and password change: the logic behind the login dialog, the
// password check the main window runs first, and the password change dialog.
// No GUI here: every message goes through the UiPort.

#include <memory>
#include <string>
#include <string_view>

#include "core/session.h"
#include "core/ui_port.h"

namespace remu {

class Connection;

// The RUT as the login field holds it after validation: upper case, 11
// characters, the number zero-filled on the left ("12345678-5" -> "012345678-5").
std::string RUT_LOGIN(std::string_view typed);

// Client identifier present and the company database reachable.
bool VERIUSUARIO(Session& s, UiPort& ui);

// Searches the client's company databases for CRUT_CONEXION_TRABAJADOR (already
// zero-filled) and binds the session to the first one holding the worker.
// Keeps the candidate names in the local table BASES of the working directory.
bool BUSCA_RUT(Session& s, UiPort& ui);

// Fixes company alias, years, open months and accounting database on the company
// database named by CDATABASE; conn receives the company connection.
bool CONECTA_EMPRESA_TRABAJADOR(Session& s, UiPort& ui, std::shared_ptr<Connection>& conn);

// The password check that opens the main window: false ends the program.
bool VERIFICA_CLAVE(Session& s, UiPort& ui);

// Validates and stores a new password; true when it was changed.
bool CAMBIA_CLAVE2(Session& s, UiPort& ui, std::string_view current, std::string_view newPassword,
                   std::string_view confirmation);

// Writes the trimmed ID_CLIENTE back into DATABASE of CONEXION.DBF (after the login dialog).
void GUARDA_ID_CLIENTE(Session& s, UiPort& ui);

// Texts shown by the password check and change.
inline constexpr const char* kClaveInvalida = "Contraseña inválida";

}  // namespace remu
