#include "demo_fixture.h"

#include "shared/gbk.h"

#include <QCryptographicHash>

namespace kelvara::testing {

DemoServer* DemoServerTest::server_ = nullptr;

void DemoServerTest::SetUpTestSuite() {
    server_ = new DemoServer;
    ASSERT_TRUE(server_->start());
}

void DemoServerTest::TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
}

void DemoServerTest::SetUp() {
    server_->reset_switches();
    server_->clear_requests();
}

httplib::Client DemoServerTest::client() {
    httplib::Client c("127.0.0.1", server_->port());
    c.set_read_timeout(10);
    return c;
}

httplib::Result DemoServerTest::get(const std::string& path, const std::string& range) {
    httplib::Headers headers;
    if (!range.empty())
        headers.emplace("Range", range);
    return client().Get(path.c_str(), headers);
}

std::string DemoServerTest::path_of(const std::string& address) {
    const std::string origin = "http://127.0.0.1:" + std::to_string(server_->port());
    EXPECT_EQ(address.compare(0, origin.size(), origin), 0) << address;
    return address.substr(origin.size());
}

QString gbk_text(const std::string& bytes) {
    return from_gbk(QByteArray::fromStdString(bytes));
}

std::string sha1_hex(const std::string& bytes) {
    return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha1)
        .toHex()
        .toStdString();
}

std::vector<std::string> links(const std::string& page, const std::string& scheme) {
    std::vector<std::string> out;
    const std::string start = "href=\"" + scheme;
    for (auto at = page.find(start); at != std::string::npos; at = page.find(start, at + 1)) {
        const auto from = at + 6;
        out.push_back(page.substr(from, page.find('"', from) - from));
    }
    return out;
}

} // namespace kelvara::testing
