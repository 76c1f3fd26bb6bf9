#include <gtest/gtest.h>
#include <shapefil.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <random>

#include "core/ui_port.h"
#include "data/local_tables.h"
#include "data/tests/dbf_test_dir.h"
#include "data/work_tables.h"
#include "format/codepage.h"
#include "format/text.h"

using namespace remu;
using remu::testing::TempDir;

namespace {

struct FixedToday {
    FixedToday() { Clock::setToday(Date{2019, 4, 30}); }
    ~FixedToday() { Clock::setToday(std::nullopt); }
};

std::vector<PaySlipLine> sampleLines(int n, unsigned seed) {
    std::mt19937 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const char* names[] = {"MUÑOZ PÉREZ JOSÉ", "O'HIGGINS", "", "  SANGRÍA", "ÁÉÍÓÚ üñ €"};
    std::vector<PaySlipLine> out;
    for (int i = 0; i < n; ++i) {
        PaySlipLine l;
        l.MES_REM = "03";
        l.PERSON_REM = std::to_string(1000 + i % 50);
        l.NOMBRE_REM = names[pick(0, 4)];
        l.APENOM_REM = std::string(40, 'A' + i % 26);  // longer than the field: cut
        l.HABDES_REM = "SUE";
        l.TIPO_REM = pick(1, 5);
        l.IMPONI_REM = pick(1, 2);
        l.HABDESVAR = pick(0, 1);
        l.DESCRI_REM = "SUELDO DEL MES (" + std::to_string(i) + ")";
        l.VALFIN_REM = pick(-999999, 99999999) + (pick(0, 3) == 0 ? 0.5 : 0.0);
        l.VALOR_REM = pick(-99999999, 99999999) / 100.0 + (pick(0, 4) == 0 ? 0.005 : 0.0);
        l.FORMUL_REM = pick(0, 1) ? "VALOR*1000" : std::string(210, '+');
        l.TIPOTRABAJ = "0";
        l.SECUEN_REM = pick(0, 99);
        l.TITULO_REM = "TITULO MUY LARGO DE LA LINEA";
        l.FECDES_REM = pick(0, 1) ? Date{2018, pick(1, 12), pick(1, 28)} : Date{};
        l.FECHAS_REM = Date{2019, 12, 31};
        l.BASCES_REM = pick(0, 2000000);
        out.push_back(l);
    }
    return out;
}

// The same rows written field by field through shapelib.
void writeThroughShapelib(const std::string& path, WorkTable t, const std::vector<PaySlipLine>& lines) {
    DbfTable table = DbfTable::create(path, workTableLayout(t));
    const auto& f = workTableLayout(t);
    for (const PaySlipLine& l : lines) {
        int r = table.append();
        table.setText(r, f[0].name, l.MES_REM);
        table.setText(r, f[1].name, l.PERSON_REM);
        table.setText(r, f[2].name, l.NOMBRE_REM);
        table.setText(r, f[3].name, l.APENOM_REM);
        table.setText(r, f[4].name, l.HABDES_REM);
        table.setNumber(r, f[5].name, l.TIPO_REM);
        table.setNumber(r, f[6].name, l.IMPONI_REM);
        table.setNumber(r, f[7].name, l.HABDESVAR);
        table.setText(r, f[8].name, l.DESCRI_REM);
        table.setNumber(r, f[9].name, l.VALFIN_REM);
        table.setNumber(r, f[10].name, l.VALOR_REM);
        table.setText(r, f[11].name, l.FORMUL_REM);
        table.setText(r, f[12].name, l.TIPOTRABAJ);
        table.setText(r, f[13].name, l.INSAPV_REM);
        table.setText(r, f[14].name, l.NOMINSAPV);
        table.setNumber(r, f[15].name, l.SECUEN_REM);
        table.setText(r, f[16].name, l.TITULO_REM);
        table.setText(r, f[17].name, l.CUENTA_REM);
        table.setText(r, f[18].name, l.CENCOS_REM);
        table.setText(r, f[19].name, l.CODMOV_REM);
        table.setDate(r, f[20].name, l.FECDES_REM);
        table.setDate(r, f[21].name, l.FECHAS_REM);
        table.setText(r, f[22].name, l.NOMMOV_REM);
        table.setNumber(r, f[23].name, l.BASCES_REM);
    }
}

}  // namespace

TEST(DbfWorkTables, LayoutOnDiskIsThePaySlipLineRecord) {
    TempDir dir;
    createWorkTable(WorkTable::REMUMES, dir.path);
    createWorkTable(WorkTable::AJUPASO, dir.path);
    struct F {
        const char* name;
        char type;
        int width, dec;
    };
    const F expected[] = {
        {"MES_REM", 'C', 2, 0},     {"PERSON_REM", 'C', 4, 0},  {"NOMBRE_REM", 'C', 30, 0}, {"APENOM_REM", 'C', 35, 0},
        {"HABDES_REM", 'C', 3, 0},  {"TIPO_REM", 'N', 1, 0},    {"IMPONI_REM", 'N', 1, 0},  {"HABDESVAR", 'N', 1, 0},
        {"DESCRI_REM", 'C', 50, 0}, {"VALFIN_REM", 'N', 10, 0}, {"VALOR_REM", 'N', 12, 2},  {"FORMUL_REM", 'C', 200, 0},
        {"TIPOTRABAJ", 'C', 1, 0},  {"INSAPV_REM", 'C', 3, 0},  {"NOMINSAPV", 'C', 50, 0},  {"SECUEN_REM", 'N', 2, 0},
        {"TITULO_REM", 'C', 20, 0}, {"CUENTA_REM", 'C', 7, 0},  {"CENCOS_REM", 'C', 4, 0},  {"CODMOV_REM", 'C', 2, 0},
        {"FECDES_REM", 'D', 8, 0},  {"FECHAS_REM", 'D', 8, 0},  {"NOMMOV_REM", 'C', 30, 0}, {"BASCES_REM", 'N', 10, 0},
    };
    for (const char* file : {"REMUMES.DBF", "AJUPASO.DBF"}) {
        const bool aju = std::string(file) == "AJUPASO.DBF";
        DBFHandle h = DBFOpen(dir.file(file).c_str(), "rb");
        ASSERT_NE(h, nullptr) << file;
        EXPECT_EQ(DBFGetRecordCount(h), 0);
        EXPECT_STREQ(DBFGetCodePage(h), "LDID/87");
        ASSERT_EQ(DBFGetFieldCount(h), 24);
        for (int i = 0; i < 24; ++i) {
            std::string name = expected[i].name;
            if (aju && name.ends_with("_REM")) name.replace(name.size() - 4, 4, "_AJU");
            char got[12] = {};
            int width = 0, dec = 0;
            DBFGetFieldInfo(h, i, got, &width, &dec);
            EXPECT_EQ(got, name) << file;
            EXPECT_EQ(DBFGetNativeFieldType(h, i), expected[i].type) << name;
            EXPECT_EQ(width, expected[i].width) << name;
            EXPECT_EQ(dec, expected[i].dec) << name;
        }
        DBFClose(h);
    }
}

TEST(DbfWorkTables, BulkWriteIsByteForByteWhatShapelibWrites) {
    FixedToday today;
    TempDir bulk, slow;
    const auto lines = sampleLines(700, 7);
    writeWorkTable(WorkTable::REMUPASO, lines, bulk.path);
    writeThroughShapelib(slow.file("REMUPASO.DBF"), WorkTable::REMUPASO, lines);
    const std::string a = remu::testing::readBytes(bulk.file("REMUPASO.DBF"));
    const std::string b = remu::testing::readBytes(slow.file("REMUPASO.DBF"));
    ASSERT_EQ(a.size(), b.size());
    EXPECT_TRUE(a == b) << "first difference at byte " << std::mismatch(a.begin(), a.end(), b.begin()).first - a.begin();

    // Read back with shapelib itself, and with the bulk reader.
    DBFHandle h = DBFOpen(bulk.file("REMUPASO.DBF").c_str(), "rb");
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(DBFGetRecordCount(h), 700);
    const auto back = readWorkTable(WorkTable::REMUPASO, bulk.path);
    ASSERT_EQ(back.size(), lines.size());
    for (int i = 0; i < 700; ++i) {
        const PaySlipLine& in = lines[i];
        const PaySlipLine& out = back[i];
        // shapelib trims both ends; the bulk reader keeps leading blanks.
        EXPECT_EQ(cp1252ToUtf8(DBFReadStringAttribute(h, i, 2)), trim(out.NOMBRE_REM));
        EXPECT_EQ(out.NOMBRE_REM, in.NOMBRE_REM);
        EXPECT_EQ(out.APENOM_REM, in.APENOM_REM.substr(0, 35));
        EXPECT_EQ(out.FORMUL_REM, in.FORMUL_REM.substr(0, 200));
        EXPECT_EQ(out.TITULO_REM, "TITULO MUY LARGO DE");  // cut to 20, padding dropped
        EXPECT_EQ(out.TIPO_REM, in.TIPO_REM);
        EXPECT_EQ(out.SECUEN_REM, DBFReadIntegerAttribute(h, i, 15));
        EXPECT_EQ(out.VALFIN_REM, DBFReadDoubleAttribute(h, i, 9));
        EXPECT_EQ(out.VALFIN_REM, std::round(in.VALFIN_REM));  // half away from zero
        EXPECT_EQ(out.VALOR_REM, DBFReadDoubleAttribute(h, i, 10));
        EXPECT_NEAR(out.VALOR_REM, in.VALOR_REM, 0.0051);
        EXPECT_EQ(out.FECDES_REM, in.FECDES_REM);
        EXPECT_EQ(out.FECHAS_REM, in.FECHAS_REM);
        EXPECT_EQ(out.BASCES_REM, in.BASCES_REM);
    }
    EXPECT_STREQ(DBFReadStringAttribute(h, 0, 21), "20191231");
    DBFClose(h);
}

TEST(DbfWorkTables, AppendReadAndDeletedRows) {
    TempDir dir;
    auto lines = sampleLines(5, 1);
    writeWorkTable(WorkTable::REMUMES, {lines[0], lines[1], lines[2]}, dir.path);
    appendWorkTable(WorkTable::REMUMES, {lines[3], lines[4]}, dir.path);
    {
        DbfTable t = DbfTable::open(dir.file("REMUMES.DBF"), DbfMode::Exclusive);
        t.remove(1);
    }
    auto back = readWorkTable(WorkTable::REMUMES, dir.path);
    ASSERT_EQ(back.size(), 4u);
    EXPECT_EQ(back[0].DESCRI_REM, "SUELDO DEL MES (0)");
    EXPECT_EQ(back[1].DESCRI_REM, "SUELDO DEL MES (2)");
    EXPECT_EQ(back[3].DESCRI_REM, "SUELDO DEL MES (4)");

    // The bulk writer rounds halves as ROUND does (1.005 is 1.00499... in binary).
    PaySlipLine half = lines[0];
    half.VALOR_REM = 1.005;
    half.VALFIN_REM = 2.5;
    writeWorkTable(WorkTable::REMUPASO, {half}, dir.path);
    auto halfBack = readWorkTable(WorkTable::REMUPASO, dir.path);
    ASSERT_EQ(halfBack.size(), 1u);
    EXPECT_DOUBLE_EQ(halfBack[0].VALOR_REM, 1.01);
    EXPECT_DOUBLE_EQ(halfBack[0].VALFIN_REM, 3);

    writeWorkTable(WorkTable::REMUMES, {}, dir.path);
    EXPECT_TRUE(readWorkTable(WorkTable::REMUMES, dir.path).empty());
    appendWorkTable(WorkTable::AJUPASO, {lines[0]}, dir.path);  // missing table is created
    EXPECT_EQ(readWorkTable(WorkTable::AJUPASO, dir.path).size(), 1u);
}

TEST(DbfWorkTables, RefusedWritesLeaveTheTableAsItWas) {
    TempDir dir;
    auto lines = sampleLines(3, 2);
    writeWorkTable(WorkTable::REMUMES, lines, dir.path);
    const std::string before = remu::testing::readBytes(dir.file("REMUMES.DBF"));

    auto bad = lines;
    bad[2].VALFIN_REM = 1e10;  // eleven digits in a ten-wide field
    try {
        writeWorkTable(WorkTable::REMUMES, bad, dir.path);
        FAIL();
    } catch (const DbfError& e) {
        EXPECT_EQ(e.kind(), DbfError::Kind::ValueTooWide);
        EXPECT_NE(std::string(e.what()).find("VALFIN_REM"), std::string::npos);
    }
    EXPECT_THROW(appendWorkTable(WorkTable::REMUMES, bad, dir.path), DbfError);
    bad[2].VALFIN_REM = 0;
    bad[2].TIPO_REM = 12;
    EXPECT_THROW(appendWorkTable(WorkTable::REMUMES, bad, dir.path), DbfError);
    EXPECT_EQ(remu::testing::readBytes(dir.file("REMUMES.DBF")), before);

    {
        DbfTable reader = DbfTable::open(dir.file("REMUMES.DBF"), DbfMode::Shared);
        try {
            writeWorkTable(WorkTable::REMUMES, {}, dir.path);
            FAIL();
        } catch (const DbfError& e) {
            EXPECT_EQ(e.kind(), DbfError::Kind::InUse);
        }
    }
    EXPECT_EQ(remu::testing::readBytes(dir.file("REMUMES.DBF")), before);

    // A table of another layout is not taken for a work table.
    DbfTable::create(dir.file("REMUPASO.DBF"), conexionLayout()).close();
    EXPECT_THROW(readWorkTable(WorkTable::REMUPASO, dir.path), DbfError);
    EXPECT_THROW(appendWorkTable(WorkTable::REMUPASO, lines, dir.path), DbfError);
}

TEST(DbfLocalTables, ConexionBasesAndCorreo) {
    TempDir dir;
    RecordingPort ui;
    EXPECT_FALSE(CONEXION_WRITE_DATABASE("ACME", ui, dir.path));  // no table yet
    EXPECT_EQ(ui.lines(), (std::vector<std::string>{"Stop|Error|No se encuentra la tabla CONEXION.DBF."}));

    createConexion({"db.example.cl", "SERVIDOR CENTRAL", "remu", "secreta", ""}, dir.path);
    EXPECT_TRUE(CONEXION_WRITE_DATABASE("ACME", ui, dir.path));
    auto row = readConexion(dir.path);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->HOST, "db.example.cl");
    EXPECT_EQ(row->NOM_HOST, "SERVIDOR CENTRAL");
    EXPECT_EQ(row->CLAVE, "secreta");
    EXPECT_EQ(row->DATABASE, "ACME");
    {
        DbfTable t = DbfTable::open(dir.file("CONEXION.DBF"));
        EXPECT_EQ(t.recordCount(), 1);
        EXPECT_EQ(t.fields(), conexionLayout());
    }

    EXPECT_TRUE(BASES_REPLACE({"acme_remu_b", "acme_remu_a", "acme_remu_c"}, ui, dir.path));
    EXPECT_TRUE(BASES_REPLACE({"x_remu_2", "x_remu_1"}, ui, dir.path));  // emptied at each use
    {
        DbfTable b = openBases(DbfMode::Shared, dir.path);
        EXPECT_EQ(basesSorted(b), (std::vector<std::string>{"x_remu_1", "x_remu_2"}));
        EXPECT_EQ(b.fields(), basesLayout());
        EXPECT_FALSE(BASES_REPLACE({"y"}, ui, dir.path));  // cannot have it exclusively now
    }

    EXPECT_THROW(readCorreo(dir.path), DbfError);
    createCorreo({"liquidaciones@acme.cl", "clave", "smtp.acme.cl", "587", "Remuneraciones ACME"}, dir.path);
    auto mail = readCorreo(dir.path);
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->REMITENTE, "liquidaciones@acme.cl");
    EXPECT_EQ(mail->PUERTO, "587");
    EXPECT_EQ(mail->NOMEMISOR, "Remuneraciones ACME");
    {
        DbfTable c = DbfTable::open(dir.file("CORREO.DBF"), DbfMode::Exclusive);
        c.remove(0);
    }
    EXPECT_FALSE(readCorreo(dir.path));
}

TEST(DbfLocalTables, CorreoAsInstalledByAnotherDbaseProgram) {
    // FoxPro style: 263 spare header bytes after the descriptors, the port as a number.
    TempDir dir;
    std::string h(32, '\0');
    h[0] = 0x30;
    const int headerLength = 32 + 2 * 32 + 1 + 263, recordLength = 1 + 20 + 5;
    h[4] = 1;
    h[8] = static_cast<char>(headerLength & 0xFF);
    h[9] = static_cast<char>(headerLength >> 8);
    h[10] = recordLength;
    auto field = [](const char* name, char type, int width) {
        std::string f(32, '\0');
        std::memcpy(f.data(), name, std::strlen(name));
        f[11] = type;
        f[16] = static_cast<char>(width);
        return f;
    };
    std::string bytes = h + field("REMITENTE", 'C', 20) + field("PUERTO", 'N', 5) + "\r" + std::string(263, '\0') +
                        " " + "yo@acme.cl          " + "  587" + "\x1a";
    remu::testing::writeBytes(dir.file("correo.dbf"), bytes);
    auto mail = readCorreo(dir.path);
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->REMITENTE, "yo@acme.cl");
    EXPECT_EQ(mail->PUERTO, "587");
    EXPECT_EQ(mail->NOMSERVER, "");  // not in this table
}

TEST(DbfWorkTables, ReplacedWholeAndNothingHalfMadeLeftBehind) {
    TempDir dir;
    auto listing = [&] {
        std::vector<std::string> names;
        for (auto& e : std::filesystem::directory_iterator(dir.path)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    auto bad = sampleLines(3, 2);
    bad[1].VALFIN_REM = 1e10;
    EXPECT_THROW(writeWorkTable(WorkTable::REMUMES, bad, dir.path), DbfError);
    EXPECT_TRUE(listing().empty());  // no empty or partial table, no draft

    {
        WorkTableDraft draft(WorkTable::REMUMES, dir.path);
        draft.append(sampleLines(4, 1));
        EXPECT_FALSE(DbfTable::locate(dir.file("REMUMES.DBF")));  // not in place before commit
    }
    EXPECT_TRUE(listing().empty());  // an abandoned draft goes away

    WorkTableDraft draft(WorkTable::REMUMES, dir.path);
    draft.append(sampleLines(2, 1));
    draft.append(sampleLines(3, 1));
    draft.commit();
    EXPECT_EQ(readWorkTable(WorkTable::REMUMES, dir.path).size(), 5u);
    EXPECT_EQ(listing(), std::vector<std::string>{"REMUMES.DBF"});

    // What a killed process leaves is cleared by the next owner of the folder.
    std::ofstream(dir.file(".REMUMES.DBF.99999.tmp")) << "partial";
    std::ofstream(dir.file("OTRO.tmp")) << "kept";
    removeStaleWorkTableDrafts(dir.path);
    EXPECT_EQ(listing(), (std::vector<std::string>{"OTRO.tmp", "REMUMES.DBF"}));
}

namespace {

// Lowers the ceiling of the work tables for one test.
struct LowCeiling {
    explicit LowCeiling(uint64_t bytes) { setWorkTableCeiling(bytes); }
    ~LowCeiling() { setWorkTableCeiling(0); }
};

uint64_t workRecordLength() {
    uint64_t n = 1;  // the deletion flag
    for (const DbfField& f : workTableLayout(WorkTable::REMUMES)) n += static_cast<uint64_t>(f.width);
    return n;
}

}  // namespace

TEST(DbfWorkTables, NeverWrittenPastTheDbaseCeiling) {
    TempDir dir;
    auto lines = sampleLines(31, 3);
    writeWorkTable(WorkTable::REMUMES, {lines.begin(), lines.begin() + 20}, dir.path);
    const uint64_t len = workRecordLength();
    const uint64_t size20 = remu::testing::readBytes(dir.file("REMUMES.DBF")).size();
    LowCeiling ceiling(size20 + 10 * len);  // room for ten more lines, not eleven

    // Appending and drafting past the ceiling are refused before a byte is written.
    appendWorkTable(WorkTable::REMUMES, {lines.begin() + 20, lines.begin() + 30}, dir.path);
    const std::string full = remu::testing::readBytes(dir.file("REMUMES.DBF"));
    EXPECT_EQ(full.size(), size20 + 10 * len);
    try {
        appendWorkTable(WorkTable::REMUMES, {lines[30]}, dir.path);
        FAIL();
    } catch (const DbfError& e) {
        EXPECT_EQ(e.kind(), DbfError::Kind::WriteFailed);
        EXPECT_EQ(std::string(e.what()),
                  "La tabla REMUMES.DBF no se grabó: con 31 líneas pasaría de 2 GB, el tamaño máximo de una tabla "
                  "dBASE. Procese el mes por rangos de trabajadores.");
    }
    EXPECT_EQ(remu::testing::readBytes(dir.file("REMUMES.DBF")), full);

    WorkTableDraft draft(WorkTable::REMUMES, dir.path);
    draft.append({lines.begin(), lines.begin() + 30});
    EXPECT_THROW(draft.append({lines[30]}), DbfError);
    draft.discard();
    EXPECT_EQ(remu::testing::readBytes(dir.file("REMUMES.DBF")), full);
    EXPECT_THROW(writeWorkTable(WorkTable::REMUMES, lines, dir.path), DbfError);
    EXPECT_EQ(remu::testing::readBytes(dir.file("REMUMES.DBF")), full);
    EXPECT_EQ(readWorkTable(WorkTable::REMUMES, dir.path).size(), 30u);
}

TEST(DbfWorkTables, ATableNearTwoGigabytesIsReadAndNotPassed) {
    // The biggest REMUMES the ceiling allows, as a sparse file: its last two records are real.
    TempDir dir;
    auto lines = sampleLines(3, 4);
    writeWorkTable(WorkTable::REMUMES, {lines[0], lines[1]}, dir.path);
    const std::string small = remu::testing::readBytes(dir.file("REMUMES.DBF"));
    const auto expected = readWorkTable(WorkTable::REMUMES, dir.path);
    const uint64_t len = workRecordLength();
    const uint64_t header = small.size() - 2 * len - 1;
    const uint64_t records = (kDbfFileCeiling - header - 1) / len;
    ASSERT_GT(header + records * len + 1, uint64_t{0x7FFFFFFF} - len);
    {
        std::string head = small.substr(0, header);
        for (int i = 0; i < 4; ++i) head[4 + i] = static_cast<char>((records >> (8 * i)) & 0xFF);
        std::ofstream f(dir.file("REMUMES.DBF"), std::ios::binary | std::ios::trunc);
        f.write(head.data(), static_cast<std::streamsize>(head.size()));
        f.seekp(static_cast<std::streamoff>(header + (records - 2) * len));
        f.write(small.data() + header, static_cast<std::streamsize>(2 * len + 1));
        ASSERT_TRUE(f.good());
    }
    const std::string path = dir.file("REMUMES.DBF");
    ASSERT_EQ(std::filesystem::file_size(path), header + records * len + 1);

    WorkTableReader reader(WorkTable::REMUMES, dir.path);
    EXPECT_EQ(reader.records(), records);
    std::vector<PaySlipLine> back;
    std::vector<uint32_t> numbers;
    reader.read(static_cast<uint32_t>(records - 2), 5, back, &numbers);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].DESCRI_REM, lines[0].DESCRI_REM);
    EXPECT_EQ(back[1].DESCRI_REM, lines[1].DESCRI_REM);
    EXPECT_EQ(back[0].VALFIN_REM, expected[0].VALFIN_REM);
    EXPECT_EQ(back[1].FORMUL_REM, expected[1].FORMUL_REM);
    EXPECT_EQ(numbers, (std::vector<uint32_t>{static_cast<uint32_t>(records - 2), static_cast<uint32_t>(records - 1)}));

    // One more line would pass 2 GB: refused, the file as it was.
    EXPECT_THROW(appendWorkTable(WorkTable::REMUMES, {lines[2]}, dir.path), DbfError);
    EXPECT_EQ(std::filesystem::file_size(path), header + records * len + 1);
}
