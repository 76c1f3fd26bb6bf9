#include "payslip/mail_queue.h"

#include <cstdio>

#include "core/ui_port.h"
#include "core/work_folder.h"
#include "data/connection.h"
#include "data/local_tables.h"
#include "data/sql.h"
#include "format/mail_address.h"
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

}  // namespace

const std::vector<DbfField>& colaCorreoLayout() {
    static const std::vector<DbfField> layout = {
        {"HOST", 'C', 80, 0}, {"USER", 'C', 30, 0}, {"CLAVE", 'C', 30, 0}, {"DATABASE", 'C', 64, 0}};
    return layout;
}

void createColaCorreo(const MailQueueSettings& row, const std::string& dir) {
    createLocalTable(LocalTable::ColaCorreo, dir, colaCorreoLayout(),
                     {{"HOST", row.HOST}, {"USER", row.USER}, {"CLAVE", row.CLAVE}, {"DATABASE", row.DATABASE}});
}

std::optional<MailQueueSettings> readColaCorreo(const std::string& dir) {
    DbfTable t = DbfTable::open(WorkFolder(dir).table(LocalTable::ColaCorreo), DbfMode::Shared);
    auto live = t.liveRecords();
    if (live.empty()) return std::nullopt;
    int r = live.front();
    auto get = [&](const char* f) { return t.fieldIndex(f) < 0 ? std::string() : trim(t.text(r, f)); };
    return MailQueueSettings{get("HOST"), get("USER"), get("CLAVE"), get("DATABASE")};
}

bool MailQueue::requested(const std::string& dir) { return WorkFolder(dir).has(Marker::Envia); }

MailQueue MailQueue::open(const std::string& dir, UiPort& ui) {
    MailQueue q;
    if (!WorkFolder(dir).has(Marker::Envia)) return q;
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
    {
        BusyCursor wait(ui);
        try {
            q.conn_ = Connection::open(p);
        } catch (const DbError&) {
            q.conn_.reset();
        }
    }
    if (!q.conn_) {
        ui.stop("NO SE CONECTO");
        return q;
    }
    // The widths are checked before each insert: a server that is not strict would
    // otherwise cut an address or a file name without a word.
    try {
        auto cols = q.conn_->query(
            "SELECT LOWER(COLUMN_NAME), CHARACTER_MAXIMUM_LENGTH FROM information_schema.COLUMNS WHERE "
            "TABLE_SCHEMA = DATABASE() AND UPPER(TABLE_NAME) = 'CORREOS_ENVIAR' AND CHARACTER_MAXIMUM_LENGTH IS NOT NULL");
        for (; !cols->Eof(); cols->MoveNext())
            q.widths_[cols->Fields(0).text()] = static_cast<long>(cols->Fields(1).number());
    } catch (const DbError&) {
        q.widths_.clear();  // the server's own refusal still reports a value that does not fit
    }
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

MailOutcome MailQueue::queue(const QueuedSlip& slip, std::string& reason) {
    reason.clear();
    const std::string address = trim(slip.address);
    if (address.empty()) return MailOutcome::NoAddress;
    if (auto problem = mailAddressProblem(address); !problem.empty()) {
        reason = "la dirección " + problem;
        return MailOutcome::InvalidAddress;
    }
    if (!conn_) {
        reason = "la cola de correos no está disponible";
        return MailOutcome::NotSent;
    }
    if (hasControlChar(slip.name) || hasControlChar(slip.fileName)) {
        reason = "el nombre del trabajador o de su archivo contiene caracteres de control";
        return MailOutcome::Refused;
    }
    auto characters = [](const std::string& utf8) {
        long n = 0;
        for (unsigned char c : utf8) n += (c & 0xC0) != 0x80;
        return n;
    };
    const std::pair<const char*, std::string> values[] = {
        {"nombre", slip.name}, {"direccion_correo", address}, {"nombre_archivo", slip.fileName}, {"no_emple", employee(slip)}};
    for (const auto& [column, value] : values) {
        auto w = widths_.find(column);
        if (w != widths_.end() && characters(value) > w->second) {
            reason = "el valor de " + std::string(column) + " (" + std::to_string(characters(value)) +
                     " caracteres) no cabe en la columna de la cola (" + std::to_string(w->second) + ")";
            return MailOutcome::Refused;
        }
    }
    try {
        auto found = conn_->query(findSql(slip));
        if (found && !found->Eof()) return MailOutcome::Queued;
        conn_->execute(insertSql(slip));
        ++queued_;
        return MailOutcome::Queued;
    } catch (const DbError& e) {
        reason = e.what();
        return MailOutcome::Refused;
    }
}

}  // namespace remu
