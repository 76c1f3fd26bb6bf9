#pragma once
// What the shell's screens share: the program's icons, and the key fields, server heading
// and keys picture of the login screens (worker, administration, password change).

#include <string>

#include <QIcon>
#include <QString>

#include "core/session.h"

class QLabel;
class QWidget;

namespace remu {

class TGET;

// Registers the program's own images (":/shell/...") before their first use.
void initShellResources();

// Icon of one of the program's bitmap roles ("funcionario", "liqui", "llaves",
// "salir", "aceptar2", "1ICON_1", the dialogs' "LLAVES"): the desktop's icon
// theme where it has a fitting one, else our own image.
QIcon shellIcon(const QString& role);

// An entry field of the login screens: upper case, at most `length` characters,
// the first key typed replaces the old contents; masked for passwords.
TGET* makeKeyField(QWidget* parent, std::string& var, int length, bool masked, const char* id);

// The server's display name heading the login screens (label 105), and their keys picture.
QLabel* makeServerLabel(QWidget* parent, const Session& s);
QLabel* makeKeysPicture(QWidget* parent);

}  // namespace remu
