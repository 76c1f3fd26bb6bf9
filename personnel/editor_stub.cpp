// Stands in for the worker file editor until it is built: the list and a worker's
// session reach it, and are told the option is not available yet.

#include <QWidget>

#include "core/session.h"
#include "core/ui_port.h"
#include "data/recordset.h"

namespace remu {

bool EDITA_PERSONAL(QWidget* parent, Session& s, UiPort& ui, Recordset& ors, bool isNew) {
    (void)parent;
    (void)s;
    (void)ors;
    (void)isNew;
    ui.info("Esta opción aún no está disponible en esta versión del sistema", "Atención");
    return false;
}

}  // namespace remu
