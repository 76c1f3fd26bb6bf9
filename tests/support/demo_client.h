#pragma once
// The demo client loaded under a client identifier of its own, for the tests that need a
// whole client (the engine's explanations, the slips, the history, remu-cli's sheets):
// <ID>_REMU, <id>_remu_norte, <id>_remu_sur, <ID>_CONT and the mail queue, dropped at the end.

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "format/text.h"
#include "tests/support/test_db.h"

namespace remu::testdb {

class DemoClient {
public:
    DemoClient() : id_(clientId()) {
        std::string cmd = "python3 " REMU_SOURCE_DIR "/schema/gen_demo.py --client " + id_;
        std::string sql;
        FILE* p = popen(cmd.c_str(), "r");
        if (!p) throw std::runtime_error("cannot run gen_demo.py");
        char buf[65536];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) sql.append(buf, n);
        if (pclose(p) != 0) throw std::runtime_error("gen_demo.py failed");
        testdb::runSql(*testdb::connectRoot(), sql);
    }
    ~DemoClient() {
        try {
            auto root = testdb::connectRoot();
            for (const char* suffix : {"_REMU", "_remu_norte", "_remu_sur", "_CONT", "_CORREOS"})
                root->execute("DROP DATABASE IF EXISTS `" + id_ + suffix + "`");
        } catch (...) {
            // The server may be gone already at the end of a failed run.
        }
    }
    DemoClient(const DemoClient&) = delete;
    DemoClient& operator=(const DemoClient&) = delete;

    const std::string& id() const { return id_; }
    std::string northDb() const { return lowerAscii(id_) + "_remu_norte"; }
    std::shared_ptr<Connection> connectNorth() const { return testdb::connectRoot(northDb()); }

private:
    // Letters and digits only: "S" + the unique tag without its underscores.
    static std::string clientId() {
        std::string id = "S";
        for (char c : upper(testdb::uniqueTag()))
            if (c != '_') id += c;
        return id;
    }
    static std::string lowerAscii(std::string s) {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return s;
    }
    std::string id_;
};

// A test suite whose tests share one demo client, loaded before the first and
// dropped after the last.
class DemoSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite() { demo = new DemoClient(); }
    static void TearDownTestSuite() {
        delete demo;
        demo = nullptr;
    }
    static inline DemoClient* demo = nullptr;
};

}  // namespace remu::testdb
