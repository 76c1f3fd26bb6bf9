#pragma once
// The mail queue: when the marker file "ENVIA.TXT" is in the working directory,
// the PDF run records one row per slip in CORREOS_ENVIAR of the mail-queue
// database, from which an outside service delivers them. The queue server's
// address, database, user and password are deployment settings kept in the
// local table COLACORREO.DBF (fields HOST, USER, CLAVE, DATABASE) beside CONEXION.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/date.h"
#include "data/dbf_table.h"
#include "payslip/mail_account.h"

namespace remu {

class Connection;
class UiPort;

struct MailQueueSettings {
    std::string HOST;  // "name" or "name:port"
    std::string USER;
    std::string CLAVE;
    std::string DATABASE;
};

const std::vector<DbfField>& colaCorreoLayout();
// Creates COLACORREO with one row (installation and tests). Throws DbfError.
void createColaCorreo(const MailQueueSettings& row, const std::string& dir = ".");
// The first live row, trimmed; nullopt when the table has none. Throws DbfError.
std::optional<MailQueueSettings> readColaCorreo(const std::string& dir = ".");

// One slip to queue.
struct QueuedSlip {
    std::string month;     // C_MES
    std::string rut;       // rut_per as stored
    std::string name;      // surnames and names
    std::string address;   // correo_per
    std::string fileName;  // PDF file name without folder
    Date date;             // DFECHA
};

class MailQueue {
public:
    // Active only when the marker file exists in `dir` and the queue database
    // could be reached; otherwise the run goes on without queuing ("NO SE CONECTO").
    static MailQueue open(const std::string& dir, UiPort& ui);
    // The marker file is there: the run is asked to queue its slips.
    static bool requested(const std::string& dir);
    MailQueue() = default;

    bool active() const { return conn_ != nullptr; }
    // Queues the slip unless the same row (date, company, month, employee,
    // address) is already there: Queued either way. A blank address gives
    // NoAddress; an address that cannot be used, or a value that does not fit its
    // column (the row would be cut or refused), gives InvalidAddress or Refused
    // with the reason, and no row.
    MailOutcome queue(const QueuedSlip& slip, std::string& reason);
    // Rows added so far.
    int queued() const { return queued_; }

    // The statements, as the queue receives them.
    static std::string findSql(const QueuedSlip& slip);
    static std::string insertSql(const QueuedSlip& slip);

private:
    std::shared_ptr<Connection> conn_;
    std::map<std::string, long> widths_;  // text columns of CORREOS_ENVIAR, lower-case name -> characters
    int queued_ = 0;
};

}  // namespace remu
