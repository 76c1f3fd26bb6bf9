#include "payslip/mail_queue.h"

#include <cstdio>
#include <filesystem>

#include "core/ui_port.h"
#include "data/connection.h"
#include "data/local_tables.h"
#include "data/sql.h"
#include "format/text.h"

namespace remu {

namespace {

constexpr const char* kCompany = "16";

std::string queueDate(const Date& d) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d.%02d.%02d", d.year, d.month, d.day);
    return buf;
}

std::string employee(const QueuedSlip& s) { return s.rut.size() > 1 ? s.rut.substr(1, 10) : std::string(); }

bool hasMarker(const std::string& dir) {
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::path(dir) / kEnviaMarker, ec)) return true;
    // The marker is a Windows file name: accept it in any case.
    return DbfTable::locate((std::filesystem::path(dir) / kEnviaMarker).string()).has_value();
}

}  // namespace

const std::vector<DbfField>& colaCorreoLayout() {
    static const std::vector<DbfField> layout = {
        {"HOST", 'C', 80, 0}, {"USER", 'C', 30, 0}, {"CLAVE", 'C', 30, 0}, {"DATABASE", 'C', 64, 0}};
    return layout;
}

void createColaCorreo(const MailQueueSettings& row, const std::string& dir) {
    DbfTable t = DbfTable::create(localTablePath(dir, kColaCorreoFile), colaCorreoLayout());
    int r = t.append();
    t.setText(r, "HOST", row.HOST);
    t.setText(r, "USER", row.USER);
    t.setText(r, "CLAVE", row.CLAVE);
    t.setText(r, "DATABASE", row.DATABASE);
    t.flush();
}

std::optional<MailQueueSettings> readColaCorreo(const std::string& dir) {
    DbfTable t = DbfTable::open(localTablePath(dir, kColaCorreoFile), DbfMode::Shared);
    auto live = t.liveRecords();
    if (live.empty()) return std::nullopt;
    int r = live.front();
    auto get = [&](const char* f) { return t.fieldIndex(f) < 0 ? std::string() : trim(t.text(r, f)); };
    return MailQueueSettings{get("HOST"), get("USER"), get("CLAVE"), get("DATABASE")};
}

MailQueue MailQueue::open(const std::string& dir, UiPort& ui) {
    MailQueue q;
    if (!hasMarker(dir)) return q;
    std::optional<MailQueueSettings> settings;
    try {
        settings = readColaCorreo(dir);
    } catch (const DbfError& e) {
        ui.stop(std::string(e.what()) + "\r\nNo se registrarán los correos de las liquidaciones.", "Atención");
        return q;
    }
    if (!settings || settings->HOST.empty()) {
        ui.stop("La tabla COLACORREO no tiene los datos de la cola de correos.\r\n"
                "No se registrarán los correos de las liquidaciones.",
                "Atención");
        return q;
    }
    ConnectionParams p;
    p.host = settings->HOST;
    p.user = settings->USER;
    p.password = settings->CLAVE;
    p.database = settings->DATABASE;
    ui.busy(true);
    try {
        q.conn_ = Connection::open(p);
    } catch (const DbError&) {
        q.conn_.reset();
    }
    ui.busy(false);
    if (!q.conn_) ui.stop("NO SE CONECTO");
    return q;
}

std::string MailQueue::findSql(const QueuedSlip& s) {
    return "SELECT * FROM CORREOS_ENVIAR WHERE Fecha_registro = " + sqlText(queueDate(s.date)) +
           " AND no_cia = " + sqlText(kCompany) + " AND cod_pla = " + sqlText(s.month) +
           " AND no_emple = " + sqlText(employee(s)) + " AND direccion_correo = " + sqlText(trim(s.address)) +
           " limit 1";
}

std::string MailQueue::insertSql(const QueuedSlip& s) {
    return "INSERT INTO CORREOS_ENVIAR ( no_cia, cod_pla, no_emple, fecha_registro, nombre, direccion_correo, "
           "nombre_archivo, observaciones, enviado) VALUES (" +
           sqlText(kCompany) + "," + sqlText(s.month) + "," + sqlText(employee(s)) + "," +
           sqlText(queueDate(s.date)) + "," + sqlText(s.name) + "," + sqlText(trim(s.address)) + "," +
           sqlText(s.fileName) + "," + sqlText(std::string(600, ' ')) + ",'N') ";
}

bool MailQueue::queue(const QueuedSlip& slip, UiPort& ui) {
    if (!conn_ || trim(slip.address).empty()) return false;
    try {
        auto found = conn_->query(findSql(slip));
        if (found && !found->Eof()) return false;
        conn_->execute(insertSql(slip));
        ++queued_;
        return true;
    } catch (const DbError& e) {
        ui.stop(e.what(), "Error");
        return false;
    }
}

}  // namespace remu
