#pragma once

#include "demo_server/demo_server.h"

#include <QByteArray>
#include <QString>
#include <gtest/gtest.h>
#include <httplib.h>
#include <string>
#include <vector>

namespace kelvara::testing {

// One demo server for a whole test suite; every test starts with all
// switches off and no requests counted.
class DemoServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    static DemoServer& server() { return *server_; }
    static httplib::Client client();
    // GET of a path on the server, optionally with a Range header.
    static httplib::Result get(const std::string& path, const std::string& range = {});
    // The path part of one of the server's addresses ("http://127.0.0.1:p/x" -> "/x").
    static std::string path_of(const std::string& address);

private:
    static DemoServer* server_;
};

QString gbk_text(const std::string& bytes);
std::string sha1_hex(const std::string& bytes);
// Every href="<scheme>..." value in a page, in order.
std::vector<std::string> links(const std::string& page, const std::string& scheme);

} // namespace kelvara::testing
