// What tunevoctl serve reads before it serves: the boards' file, the web
// configuration and the listen address, each refused with its reason.

#include <gtest/gtest.h>

#include "export/CWebConfig.h"
#include "export/ListenAddress.h"
#include "export/ServeConfig.h"
#include "tests/support/TempDir.h"

namespace {

TEST(ServeConfig, TheBoardsFileGivesEachBoardItsAddressIntervalAndLabels) {
    TempDir folder;
    const std::string strPath = folder.WriteFile(
        "boards.yml",
        "boards:\n"
        "  - {name: rig-1, address: /dev/rfcomm0}\n"
        "  - name: rig-2\n    address: tcp:rack-3:4001\n    interval: 2.5\n"
        "    labels: {rack: \"3\", slot: b}\n");
    std::string strError;
    const auto boards = LoadServeConfig(strPath, 10, strError);
    ASSERT_TRUE(boards.has_value()) << strError;
    ASSERT_EQ(boards->size(), 2u);
    EXPECT_EQ((*boards)[0].address.Text(), "/dev/rfcomm0");
    EXPECT_EQ((*boards)[0].dInterval, 10) << "the command line's interval by default";
    EXPECT_EQ((*boards)[1].dInterval, 2.5);
    EXPECT_EQ((*boards)[1].labels,
              (std::vector<std::pair<std::string, std::string>>{{"rack", "3"}, {"slot", "b"}}));
}

TEST(ServeConfig, AWrongBoardsFileIsRefusedNamingTheBoardAndTheField) {
    const struct {
        const char* pszText;
        const char* pszSaid;
    } wrong[] = {
        {"", "expected \"boards:\""},
        {"boards: []\n", "expected \"boards:\""},
        {"boards: [{name: a}]\n", "board 1: needs a name and an address"},
        {"boards: [{name: a, address: /dev/x}, {name: a, address: /dev/y}]\n", "board 2: the name \"a\""},
        {"boards: [{name: a, address: /dev/x, interval: .nan}]\n", "interval takes seconds"},
        {"boards: [{name: a, address: /dev/x, interval: 1e300}]\n", "interval takes seconds"},
        {"boards: [{name: a, address: /dev/x, interval: 0}]\n", "interval takes seconds"},
        {"boards: [{name: a, address: /dev/x, labels: {board: x}}]\n", "\"board\" cannot be"},
        {"boards: [{name: a, address: /dev/x, labels: {__x: y}}]\n", "\"__x\" cannot be"},
        {"boards: [{name: a, address: /dev/x, labels: {9a: y}}]\n", "\"9a\" cannot be"},
        {"boards: [{name: a, address: /dev/x, labels: [x]}]\n", "labels map names"},
        {"boards: [{name: a, address: ''}]\n", "board 1 (a)"},
        {"boards: {\n", "is not YAML"},
    };
    TempDir folder;
    for (const auto& [pszText, pszSaid] : wrong) {
        const std::string strPath = folder.WriteFile("boards.yml", pszText);
        std::string strError;
        EXPECT_FALSE(LoadServeConfig(strPath, 10, strError).has_value()) << pszText;
        EXPECT_NE(strError.find(pszSaid), std::string::npos) << pszText << " said: " << strError;
    }
    std::string strError;
    EXPECT_FALSE(LoadServeConfig(folder.Path() + "/none.yml", 10, strError).has_value());
    EXPECT_EQ(strError, "cannot read " + folder.Path() + "/none.yml");
}

TEST(ServeConfig, TheWebConfigTakesBcryptUsersAndRefusesTlsAndTheUnknown) {
    const std::string strHash = "$2y$05$" + std::string(53, 'a');
    const struct {
        std::string strText;
        const char* pszSaid;  // nullptr: taken
    } configs[] = {
        {"basic_auth_users:\n  lab: \"" + strHash + "\"\n", nullptr},
        {"", nullptr},
        {"tls_server_config:\n  cert_file: a\n", "reverse proxy"},
        {"http_server_config:\n  http2: true\n", "http_server_config is not a setting"},
        {"basic_auth_users:\n  lab: plain\n", "needs a bcrypt hash"},
        {"basic_auth_users:\n  \"a:b\": \"" + strHash + "\"\n", "needs a bcrypt hash"},
        {"basic_auth_users: [lab]\n", "maps each user"},
    };
    TempDir folder;
    for (const auto& [strText, pszSaid] : configs) {
        const std::string strPath = folder.WriteFile("web.yml", strText);
        std::string strError;
        const auto config = CWebConfig::Load(strPath, strError);
        EXPECT_EQ(config.has_value(), pszSaid == nullptr) << strText;
        if (pszSaid != nullptr) {
            EXPECT_NE(strError.find(pszSaid), std::string::npos) << strText << " said: " << strError;
        }
    }
    // Without users, any request is let in; with them, only good credentials.
    std::string strError;
    EXPECT_TRUE(CWebConfig::Load(folder.WriteFile("web.yml", ""), strError)->Accepts(nullptr));
    const auto config = CWebConfig::Load(
        folder.WriteFile("web.yml", "basic_auth_users:\n  lab: \"" + strHash + "\"\n"), strError);
    for (const char* pszHeader : {static_cast<const char*>(nullptr), "", "Basic", "Bearer abc",
                                  "Basic bGFiOnMzY3JldA==", "Basic !!!!"}) {
        EXPECT_FALSE(config->Accepts(pszHeader)) << (pszHeader ? pszHeader : "none");
    }
}

TEST(ServeConfig, ListenTakesHostPortAndEveryInterfaceOnlyWhenAskedFor) {
    const struct {
        const char* pszText;
        const char* pszSpec;  // nullptr: refused
        bool bPortOnly;
    } listens[] = {
        {"127.0.0.1:9810", "127.0.0.1:9810", false}, {"localhost:0", "127.0.0.1:0", false},
        {":9810", "9810", false},                    {"9810", "127.0.0.1:9810", true},
        {"[::1]:9810", "[::1]:9810", false},         {"::1:9810", nullptr, false},
        {"127.0.0.1:65536", nullptr, false},         {"127.0.0.1:", nullptr, false},
        {"127.0.0.1:-1", nullptr, false},            {"[::1:9810", nullptr, false},
        {"nohost.invalid:9810", nullptr, false},     {"abc", nullptr, false},
    };
    for (const auto& [pszText, pszSpec, bPortOnly] : listens) {
        std::string strError;
        const auto address = ListenAddress::Parse(pszText, strError);
        ASSERT_EQ(address.has_value(), pszSpec != nullptr) << pszText << ": " << strError;
        if (address) {
            EXPECT_EQ(address->ServerSpec(), pszSpec);
            EXPECT_EQ(address->bPortOnly, bPortOnly) << pszText;
        } else {
            EXPECT_FALSE(strError.empty());
        }
    }
}

}  // namespace
