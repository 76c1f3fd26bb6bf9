#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/work_folder.h"

namespace fs = std::filesystem;
using remu::LocalTable;
using remu::Marker;
using remu::OutputFolder;
using remu::WorkFolder;

namespace {

struct Folder {
    fs::path dir;
    Folder() {
        dir = fs::temp_directory_path() / ("remu-workfolder-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~Folder() { fs::remove_all(dir); }
    void touch(const std::string& name) const { std::ofstream(dir / name) << ""; }
};

}  // namespace

TEST(WorkFolder, FindsAMarkerInAnyCaseAndOnlyThatMarker) {
    Folder f;
    WorkFolder folder(f.dir.string());
    for (Marker m : {Marker::ApvSep, Marker::Autor, Marker::Envia, Marker::Protege, Marker::Zumel})
        EXPECT_FALSE(folder.has(m)) << remu::markerFile(m);

    // Written by a Windows user and copied to a case-sensitive disk.
    f.touch("zumel.txt");
    f.touch("Envia.Txt");
    f.touch("APV_SEP.TXT.bak");
    EXPECT_TRUE(folder.has(Marker::Zumel));
    EXPECT_TRUE(folder.has(Marker::Envia));
    EXPECT_FALSE(folder.has(Marker::ApvSep));
    // The file as it is on disk, for a marker whose text is read.
    EXPECT_EQ(folder.find(Marker::Envia), (f.dir / "Envia.Txt").string());
    f.touch("PROTEGE.TXT");
    EXPECT_EQ(folder.find(Marker::Protege), (f.dir / "PROTEGE.TXT").string());
    // Another folder does not see them.
    EXPECT_FALSE(WorkFolder((f.dir / "otra").string()).has(Marker::Zumel));
}

TEST(WorkFolder, NamesItsTablesAndOutputFoldersUnderItself) {
    WorkFolder here;
    EXPECT_EQ(here.dir(), ".");
    EXPECT_EQ(WorkFolder("").dir(), ".");
    EXPECT_EQ(here.table(LocalTable::Conexion), "./CONEXION.DBF");
    EXPECT_EQ(here.output(OutputFolder::Pdfs), "./PDFS");

    WorkFolder there("/srv/remu");
    EXPECT_EQ(there.table(LocalTable::Bases), "/srv/remu/BASES.DBF");
    EXPECT_EQ(there.table(LocalTable::Correo), "/srv/remu/CORREO.DBF");
    EXPECT_EQ(there.table(LocalTable::ColaCorreo), "/srv/remu/COLACORREO.DBF");
    EXPECT_EQ(there.output(OutputFolder::Planillas), "/srv/remu/PLANILLAS");
    // A folder given with its final slash does not double it.
    EXPECT_EQ(WorkFolder("/srv/remu/").output(OutputFolder::Pdfs), "/srv/remu/PDFS");
    EXPECT_EQ(there.path("ENVIALIQ.sh"), "/srv/remu/ENVIALIQ.sh");
}
