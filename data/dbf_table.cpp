#include "data/dbf_table.h"

#include <fcntl.h>
#include <shapefil.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include "core/ui_port.h"
#include "core/work_folder.h"
#include "format/codepage.h"
#include "format/picture.h"
#include "format/text.h"

namespace remu {

namespace {

// shapelib derives the file name from the one it is given and insists on a
// lower-case ".dbf"; the hook sends it to the exact file we mean instead.
thread_local const char* t_target = nullptr;
thread_local std::string t_error;

bool endsWithDbf(const char* name) {
    size_t n = std::strlen(name);
    return n >= 4 && strcasecmp(name + n - 4, ".dbf") == 0;
}

SAFile hookOpen(const char* name, const char* access) {
    const char* real = (t_target && endsWithDbf(name)) ? t_target : name;
    return reinterpret_cast<SAFile>(std::fopen(real, access));
}
SAOffset hookRead(void* p, SAOffset size, SAOffset n, SAFile f) {
    return std::fread(p, size, n, reinterpret_cast<FILE*>(f));
}
SAOffset hookWrite(void* p, SAOffset size, SAOffset n, SAFile f) {
    return std::fwrite(p, size, n, reinterpret_cast<FILE*>(f));
}
SAOffset hookSeek(SAFile f, SAOffset offset, int whence) {
    return fseeko(reinterpret_cast<FILE*>(f), static_cast<off_t>(offset), whence);
}
SAOffset hookTell(SAFile f) { return ftello(reinterpret_cast<FILE*>(f)); }
int hookFlush(SAFile f) { return std::fflush(reinterpret_cast<FILE*>(f)); }
int hookClose(SAFile f) { return std::fclose(reinterpret_cast<FILE*>(f)); }
int hookRemove(const char* name) { return std::remove(name); }
void hookError(const char* message) { t_error = message ? message : "?"; }
double hookAtof(const char* s) { return std::atof(s); }

SAHooks* hooks() {
    static SAHooks h = [] {
        SAHooks x;
        SASetupDefaultHooks(&x);
        x.FOpen = hookOpen;
        x.FRead = hookRead;
        x.FWrite = hookWrite;
        x.FSeek = hookSeek;
        x.FTell = hookTell;
        x.FFlush = hookFlush;
        x.FClose = hookClose;
        x.Remove = hookRemove;
        x.Error = hookError;
        x.Atof = hookAtof;
        return x;
    }();
    return &h;
}

struct TargetGuard {
    explicit TargetGuard(const std::string& path) {
        t_target = path.c_str();
        t_error.clear();
    }
    ~TargetGuard() { t_target = nullptr; }
};

DBFHandle H(void* p) { return static_cast<DBFHandle>(p); }

std::string baseName(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void stampToday(DBFHandle h) {
    unsigned char d[3];
    dbf_detail::todayStamp(d);
    DBFSetLastModifiedDate(h, d[0], d[1], d[2]);
}

std::string rtrimBlanks(std::string s) {
    size_t end = s.find_last_not_of(' ');
    s.erase(end == std::string::npos ? 0 : end + 1);
    return s;
}

std::string dateText(const Date& d) {
    if (d.isNull()) return std::string(8, ' ');
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year % 10000, d.month % 100, d.day % 100);
    return buf;
}

Date parseDate(const std::string& raw) {
    if (raw.size() < 8) return {};
    int v[8];
    for (int i = 0; i < 8; ++i) {
        if (raw[i] < '0' || raw[i] > '9') return {};
        v[i] = raw[i] - '0';
    }
    Date d{v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3], v[4] * 10 + v[5], v[6] * 10 + v[7]};
    return d.isValid() ? d : Date{};
}

}  // namespace

void reportDbfError(UiPort& ui, const DbfError& e) { ui.stop(e.what(), e.title()); }

std::optional<std::string> dbfNumberText(double value, int width, int decimals) {
    if (!std::isfinite(value) || width <= 0 || width > 64 || decimals < 0 || decimals > 15) return std::nullopt;
    const double scale = std::pow(10.0, decimals);
    double rounded = dbf_detail::scaledRound(value, decimals) / scale;
    if (rounded == 0) rounded = 0;  // no "-0"
    char buf[400];
    int n = std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, rounded);
    if (n < 0 || n > width) return std::nullopt;
    return std::string(buf, static_cast<size_t>(n));
}

namespace dbf_detail {

double scaledRound(double value, int decimals) {
    static const double scales[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const double scale = decimals >= 0 && decimals <= 15 ? scales[decimals] : std::pow(10.0, decimals);
    const double x = value * scale;
    // Only a product that lands next to a half can have been pushed across it by
    // the binary representation; everything else rounds the cheap way.
    if (std::fabs(std::fabs(x - std::trunc(x)) - 0.5) > 1e-6) return std::round(x);
    return std::round(ROUND(value, decimals) * scale);
}

void todayStamp(unsigned char out[3]) {
    Date t = Clock::today();
    out[0] = static_cast<unsigned char>((t.year - 1900) & 0xFF);
    out[1] = static_cast<unsigned char>(t.month);
    out[2] = static_cast<unsigned char>(t.day);
}

std::optional<Header> readHeader(int fd) {
    unsigned char b[32];
    if (pread(fd, b, sizeof b, 0) != static_cast<ssize_t>(sizeof b)) return std::nullopt;
    Header h;
    h.records = b[4] | (b[5] << 8) | (b[6] << 16) | (static_cast<uint32_t>(b[7]) << 24);
    h.headerLength = static_cast<uint16_t>(b[8] | (b[9] << 8));
    h.recordLength = static_cast<uint16_t>(b[10] | (b[11] << 8));
    if (h.headerLength < 33 || h.recordLength < 1) return std::nullopt;
    return h;
}

bool finishHeader(int fd, uint32_t records) {
    unsigned char b[7];
    todayStamp(b);
    b[3] = records & 0xFF;
    b[4] = (records >> 8) & 0xFF;
    b[5] = (records >> 16) & 0xFF;
    b[6] = (records >> 24) & 0xFF;
    return pwrite(fd, b, sizeof b, 1) == static_cast<ssize_t>(sizeof b);
}

bool lock(int fd, DbfMode mode) {
    return flock(fd, (mode == DbfMode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0;
}

}  // namespace dbf_detail

std::optional<std::string> DbfTable::locate(const std::string& path) { return findAnyCase(path); }

void DbfTable::fail(DbfError::Kind kind, const std::string& message) const { throw DbfError(kind, message); }

DbfTable DbfTable::create(const std::string& path, const std::vector<DbfField>& fields) {
    DbfTable t;
    t.path_ = path;
    t.name_ = baseName(path);
    t.mode_ = DbfMode::Exclusive;
    t.lockFd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (t.lockFd_ < 0) t.fail(DbfError::Kind::WriteFailed, "No se pudo crear la tabla " + t.name_ + ".");
    if (!dbf_detail::lock(t.lockFd_, DbfMode::Exclusive))
        t.fail(DbfError::Kind::InUse, "La tabla " + t.name_ + " está en uso por otro proceso; no se pudo crear.");

    {
        TargetGuard guard(path);
        DBFHandle h = DBFCreateLL(path.c_str(), "LDID/87", hooks());
        if (!h) t.fail(DbfError::Kind::WriteFailed, "No se pudo crear la tabla " + t.name_ + ".");
        stampToday(h);
        for (const DbfField& f : fields) {
            if (DBFAddNativeFieldType(h, f.name.c_str(), f.type, f.width, f.decimals) < 0) {
                DBFClose(h);
                t.fail(DbfError::Kind::WriteFailed,
                       "No se pudo crear el campo " + f.name + " de la tabla " + t.name_ + ".");
            }
        }
        DBFClose(h);
        h = DBFOpenLL(path.c_str(), "rb+", hooks());
        if (!h) t.fail(DbfError::Kind::WriteFailed, "No se pudo crear la tabla " + t.name_ + ".");
        stampToday(h);
        t.handle_ = h;
    }
    t.loadFields();
    return t;
}

DbfTable DbfTable::open(const std::string& requested, DbfMode mode) {
    DbfTable t;
    t.name_ = baseName(requested);
    auto found = locate(requested);
    if (!found) t.fail(DbfError::Kind::NotFound, "No se encuentra la tabla " + t.name_ + ".");
    t.path_ = *found;
    t.mode_ = mode;

    bool writable = true;
    t.lockFd_ = ::open(t.path_.c_str(), O_RDWR | O_CLOEXEC);
    if (t.lockFd_ < 0 && (errno == EACCES || errno == EROFS) && mode == DbfMode::Shared) {
        writable = false;
        t.lockFd_ = ::open(t.path_.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (t.lockFd_ < 0) t.fail(DbfError::Kind::Unreadable, "No se puede abrir la tabla " + t.name_ + ".");
    struct stat st;
    if (fstat(t.lockFd_, &st) != 0 || !S_ISREG(st.st_mode))
        t.fail(DbfError::Kind::Unreadable, "No se puede abrir la tabla " + t.name_ + ".");
    if (!dbf_detail::lock(t.lockFd_, mode)) {
        t.fail(DbfError::Kind::InUse, mode == DbfMode::Exclusive
                                          ? "La tabla " + t.name_ + " está siendo usada en otra parte; no se puede "
                                                                     "abrir en forma exclusiva."
                                          : "La tabla " + t.name_ + " está en uso exclusivo en otra parte.");
    }

    // shapelib trusts the header; check it against the file before handing it over.
    auto header = dbf_detail::readHeader(t.lockFd_);
    const std::string corrupt = "La tabla " + t.name_ + " está dañada o no es una tabla dBASE.";
    if (!header ||
        static_cast<unsigned long long>(st.st_size) <
            header->headerLength + static_cast<unsigned long long>(header->records) * header->recordLength)
        t.fail(DbfError::Kind::Corrupt, corrupt);

    {
        TargetGuard guard(t.path_);
        DBFHandle h = DBFOpenLL(t.path_.c_str(), writable ? "rb+" : "rb", hooks());
        if (!h) t.fail(DbfError::Kind::Corrupt, corrupt);
        stampToday(h);
        t.handle_ = h;
    }
    t.readOnly_ = !writable;
    t.loadFields();
    int sum = 1;
    for (const DbfField& f : t.fields_) {
        if (f.width <= 0) t.fail(DbfError::Kind::Corrupt, corrupt);
        sum += f.width;
    }
    if (t.fields_.empty() || sum > H(t.handle_)->nRecordLength) t.fail(DbfError::Kind::Corrupt, corrupt);
    return t;
}

std::optional<DbfTable> DbfTable::open(const std::string& path, DbfMode mode, UiPort& ui) {
    try {
        return open(path, mode);
    } catch (const DbfError& e) {
        reportDbfError(ui, e);
        return std::nullopt;
    }
}

void DbfTable::loadFields() {
    DBFHandle h = H(handle_);
    fields_.clear();
    offsets_.clear();
    for (int i = 0; i < DBFGetFieldCount(h); ++i) {
        char name[XBASE_FLDNAME_LEN_READ + 1] = {};
        int width = 0, decimals = 0;
        DBFGetFieldInfo(h, i, name, &width, &decimals);
        fields_.push_back({name, DBFGetNativeFieldType(h, i), width, decimals});
        offsets_.push_back(h->panFieldOffset[i]);
    }
}

DbfTable::DbfTable(DbfTable&& o) noexcept { *this = std::move(o); }

DbfTable& DbfTable::operator=(DbfTable&& o) noexcept {
    if (this != &o) {
        close();
        handle_ = std::exchange(o.handle_, nullptr);
        lockFd_ = std::exchange(o.lockFd_, -1);
        path_ = std::move(o.path_);
        name_ = std::move(o.name_);
        mode_ = o.mode_;
        readOnly_ = o.readOnly_;
        fields_ = std::move(o.fields_);
        offsets_ = std::move(o.offsets_);
    }
    return *this;
}

DbfTable::~DbfTable() { close(); }

void DbfTable::close() {
    if (handle_) {
        DBFClose(H(handle_));
        handle_ = nullptr;
    }
    if (lockFd_ >= 0) {
        ::close(lockFd_);  // drops the lock
        lockFd_ = -1;
    }
}

int DbfTable::fieldIndex(const std::string& name) const {
    for (size_t i = 0; i < fields_.size(); ++i)
        if (strcasecmp(fields_[i].name.c_str(), name.c_str()) == 0) return static_cast<int>(i);
    return -1;
}

int DbfTable::requireField(const std::string& field) const {
    int i = fieldIndex(field);
    if (i < 0) fail(DbfError::Kind::NoSuchField, "La tabla " + name_ + " no tiene el campo " + field + ".");
    return i;
}

int DbfTable::recordCount() const { return handle_ ? DBFGetRecordCount(H(handle_)) : 0; }

void DbfTable::checkRecord(int record) const {
    if (!handle_ || record < 0 || record >= recordCount())
        fail(DbfError::Kind::NoSuchField, "Registro inexistente en la tabla " + name_ + ".");
}

bool DbfTable::isDeleted(int record) const {
    checkRecord(record);
    const char* raw = DBFReadTuple(H(handle_), record);
    if (!raw) fail(DbfError::Kind::Corrupt, "No se pudo leer la tabla " + name_ + ".");
    return raw[0] == '*';
}

std::vector<int> DbfTable::liveRecords() const {
    std::vector<int> out;
    for (int r = 0, n = recordCount(); r < n; ++r)
        if (!isDeleted(r)) out.push_back(r);
    return out;
}

int DbfTable::liveCount() const { return static_cast<int>(liveRecords().size()); }

std::string DbfTable::rawField(int record, int field) const {
    checkRecord(record);
    const char* raw = DBFReadTuple(H(handle_), record);
    if (!raw) fail(DbfError::Kind::Corrupt, "No se pudo leer la tabla " + name_ + ".");
    return std::string(raw + offsets_[field], static_cast<size_t>(fields_[field].width));
}

std::string DbfTable::text(int record, const std::string& field) const {
    int f = requireField(field);
    std::string raw = rawField(record, f);
    if (fields_[f].type == 'N' || fields_[f].type == 'F') {
        size_t b = raw.find_first_not_of(' ');
        return b == std::string::npos ? std::string() : rtrimBlanks(raw.substr(b));
    }
    return cp1252ToUtf8(rtrimBlanks(std::move(raw)));
}

double DbfTable::number(int record, const std::string& field) const {
    int f = requireField(field);
    checkRecord(record);
    return DBFReadDoubleAttribute(H(handle_), record, f);
}

Date DbfTable::date(int record, const std::string& field) const {
    return parseDate(rawField(record, requireField(field)));
}

bool DbfTable::logical(int record, const std::string& field) const {
    std::string raw = rawField(record, requireField(field));
    return !raw.empty() && (raw[0] == 'T' || raw[0] == 't' || raw[0] == 'Y' || raw[0] == 'y');
}

void DbfTable::writeRaw(int record, int field, const std::string& bytes) {
    if (!DBFWriteAttributeDirectly(H(handle_), record, field, const_cast<char*>(bytes.c_str())))
        fail(DbfError::Kind::WriteFailed, "No se pudo grabar en la tabla " + name_ + ".");
}

void DbfTable::checkWritable(int record) const {
    checkRecord(record);
    if (readOnly_) fail(DbfError::Kind::WriteFailed, "La tabla " + name_ + " es de solo lectura.");
}

void DbfTable::setText(int record, const std::string& field, const std::string& utf8) {
    int f = requireField(field);
    checkWritable(record);
    if (fields_[f].type == 'N' || fields_[f].type == 'F') {
        char* end = nullptr;
        double v = std::strtod(utf8.c_str(), &end);
        setNumber(record, field, v);
        return;
    }
    if (fields_[f].type == 'D') {
        writeRaw(record, f, utf8.substr(0, 8));
        return;
    }
    std::string bytes = utf8ToCp1252(utf8);
    if (bytes.size() > static_cast<size_t>(fields_[f].width)) bytes.resize(static_cast<size_t>(fields_[f].width));
    if (!DBFWriteStringAttribute(H(handle_), record, f, bytes.c_str()))
        fail(DbfError::Kind::WriteFailed, "No se pudo grabar en la tabla " + name_ + ".");
}

void DbfTable::setNumber(int record, const std::string& field, double value) {
    int f = requireField(field);
    checkWritable(record);
    const DbfField& fd = fields_[f];
    if (fd.type != 'N' && fd.type != 'F') {
        setText(record, field, trim(dbfNumberText(value, 20, fd.decimals).value_or("")));
        return;
    }
    auto txt = dbfNumberText(value, fd.width, fd.decimals);
    if (!txt)
        fail(DbfError::Kind::ValueTooWide,
             "El valor " + std::to_string(value) + " no cabe en el campo " + fd.name + " de la tabla " + name_ + ".");
    const double scale = std::pow(10.0, fd.decimals);
    double rounded = dbf_detail::scaledRound(value, fd.decimals) / scale;
    if (rounded == 0) rounded = 0;
    if (!DBFWriteDoubleAttribute(H(handle_), record, f, rounded))
        fail(DbfError::Kind::WriteFailed, "No se pudo grabar en la tabla " + name_ + ".");
}

void DbfTable::setDate(int record, const std::string& field, const Date& value) {
    int f = requireField(field);
    checkWritable(record);
    // shapelib 1.5 takes a string given for a date field as a number; write the bytes ourselves.
    writeRaw(record, f, value.isNull() ? std::string() : dateText(value));
}

void DbfTable::setLogical(int record, const std::string& field, bool value) {
    int f = requireField(field);
    checkWritable(record);
    if (!DBFWriteLogicalAttribute(H(handle_), record, f, value ? 'T' : 'F'))
        fail(DbfError::Kind::WriteFailed, "No se pudo grabar en la tabla " + name_ + ".");
}

int DbfTable::append() {
    if (!handle_) fail(DbfError::Kind::WriteFailed, "La tabla " + name_ + " no está abierta.");
    if (readOnly_) fail(DbfError::Kind::WriteFailed, "La tabla " + name_ + " es de solo lectura.");
    int record = recordCount();
    std::string blank(static_cast<size_t>(H(handle_)->nRecordLength), ' ');
    if (!DBFWriteTuple(H(handle_), record, blank.data()))
        fail(DbfError::Kind::WriteFailed, "No se pudo agregar un registro a la tabla " + name_ + ".");
    return record;
}

void DbfTable::remove(int record) {
    checkWritable(record);
    if (!DBFMarkRecordDeleted(H(handle_), record, 1))
        fail(DbfError::Kind::WriteFailed, "No se pudo borrar en la tabla " + name_ + ".");
}

void DbfTable::zap() {
    if (!handle_) fail(DbfError::Kind::WriteFailed, "La tabla " + name_ + " no está abierta.");
    if (mode_ != DbfMode::Exclusive)
        fail(DbfError::Kind::InUse, "La tabla " + name_ + " debe estar abierta en forma exclusiva para vaciarla.");
    std::vector<DbfField> fields = fields_;
    DBFClose(H(handle_));
    handle_ = nullptr;
    // Re-creating in place keeps the file (and our lock on it) and shapelib's own layout.
    TargetGuard guard(path_);
    DBFHandle h = DBFCreateLL(path_.c_str(), "LDID/87", hooks());
    if (!h) fail(DbfError::Kind::WriteFailed, "No se pudo vaciar la tabla " + name_ + ".");
    stampToday(h);
    for (const DbfField& f : fields) DBFAddNativeFieldType(h, f.name.c_str(), f.type, f.width, f.decimals);
    DBFClose(h);
    h = DBFOpenLL(path_.c_str(), "rb+", hooks());
    if (!h) fail(DbfError::Kind::WriteFailed, "No se pudo vaciar la tabla " + name_ + ".");
    stampToday(h);
    handle_ = h;
    loadFields();
}

void DbfTable::flush() {
    if (!handle_ || readOnly_) return;
    t_error.clear();
    DBFUpdateHeader(H(handle_));
    FILE* fp = reinterpret_cast<FILE*>(H(handle_)->fp);
    if (std::fflush(fp) != 0 || std::ferror(fp) || !t_error.empty())
        fail(DbfError::Kind::WriteFailed, "No se pudo grabar la tabla " + name_ + ".");
}

}  // namespace remu
