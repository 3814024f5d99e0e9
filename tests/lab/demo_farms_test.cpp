// The demo farms hold together, and the icon check tells icon files from damaged ones.
#include <algorithm>
#include <set>

#include "lab/accounts.h"
#include "lab/icon.h"
#include "lab/keys.h"
#include "lab_fixture.h"

namespace lab::testing {
namespace {

bool Has(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(DemoFarmsTest, DemoFarmIsConsistentAndRich) {
    const FarmModel farm = MakeDemoFarm();
    EXPECT_EQ(farm.name, kDemoFarm);
    ASSERT_EQ(farm.applications.size(), 30u);
    std::set<std::string> serverNames;
    std::set<int32_t> minors;
    for (const ServerRecord& server : farm.servers) {
        serverNames.insert(server.name);
        minors.insert(server.ntMinor);
        EXPECT_TRUE(std::any_of(farm.zones.begin(), farm.zones.end(),
                                [&](const ZoneRecord& zone) { return zone.name == server.zone; }));
    }
    EXPECT_EQ(serverNames.size(), 6u);
    EXPECT_EQ(minors, (std::set<int32_t>{0, 2}));
    EXPECT_GE(farm.zones.size(), 2u);
    for (const ZoneRecord& zone : farm.zones) {
        EXPECT_TRUE(serverNames.contains(zone.dataCollector)) << zone.name;
    }
    for (const FarmSettingKey& key : FarmSettingKeys()) {
        ASSERT_TRUE(farm.settings.contains(key.name)) << key.name;
        EXPECT_EQ(std::holds_alternative<std::string>(farm.settings.at(key.name)),
                  key.kind == KeyKind::kText)
            << key.name;
    }

    std::set<std::string> icons;
    std::set<std::string> dns;
    int desktops = 0;
    size_t deepest = 0;
    for (const AppRecord& app : farm.applications) {
        SCOPED_TRACE(app.DistinguishedName());
        EXPECT_TRUE(dns.insert(FoldCase(app.DistinguishedName())).second);
        EXPECT_TRUE(Has(farm.folders, app.folder));
        deepest = std::max<size_t>(deepest, std::count(app.folder.begin(), app.folder.end(), '/'));
        EXPECT_TRUE(IsIconFile(app.icon));
        icons.insert(app.icon);
        EXPECT_GE(app.servers.size(), 2u);
        EXPECT_EQ(std::set<std::string>(app.servers.begin(), app.servers.end()).size(),
                  app.servers.size());
        for (const std::string& server : app.servers) {
            EXPECT_TRUE(serverNames.contains(server)) << server;
        }
        EXPECT_FALSE(app.users.empty());
        EXPECT_FALSE(app.groups.empty());
        for (const AccountKind kind : {AccountKind::kUser, AccountKind::kGroup}) {
            for (const AccountEntry& entry : kind == AccountKind::kUser ? app.users : app.groups) {
                EXPECT_TRUE(Has(farm.accounts, entry.aaName + "\\" + entry.accountName));
                // Numbers a farm accepts, so that the entry can be created again.
                EXPECT_NO_THROW(CheckAccountNumbers(kind, entry.aaType, entry.accountType));
                // Entries travel as colon-separated fields and values as key=value lines.
                EXPECT_EQ(entry.accountName.find(':'), std::string::npos);
            }
        }
        for (const AppKey& key : ApplicationKeys()) {
            if (key.field == AppField::kView) {
                ASSERT_TRUE(app.keys.contains(key.name)) << key.name;
                EXPECT_EQ(farm::AsText(app.keys.at(key.name)).find('='), std::string::npos);
            }
        }
        EXPECT_EQ(app.description.find('='), std::string::npos);
        desktops += (farm::AsNumber(app.keys.at("PNAttributes")) & 8) != 0 ? 1 : 0;
    }
    EXPECT_EQ(desktops, 1);
    EXPECT_EQ(icons.size(), 30u);
    EXPECT_GE(deepest, 2u);  // Applications/x/y
    EXPECT_EQ(farm.settings.at("ICAVideoBufferSize"), farm::Value(1048576));
}

TEST(DemoFarmsTest, TargetAndNoAdminFarmsDifferAsIntended) {
    const FarmModel demo = MakeDemoFarm();
    const FarmModel target = MakeTargetFarm();
    const FarmModel noAdmin = MakeNoAdminFarm();
    EXPECT_TRUE(target.applications.empty());
    EXPECT_EQ(target.folders, std::vector<std::string>{"Applications"});
    EXPECT_EQ(target.accounts, demo.accounts);
    EXPECT_EQ(target.servers.size(), 3u);
    EXPECT_EQ(target.zones.size(), 1u);
    const auto keys = FarmSettingKeys();
    for (size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(target.settings.contains(keys[i].name), i < keys.size() - 5) << keys[i].name;
    }
    EXPECT_TRUE(target.userIsAdministrator);
    EXPECT_FALSE(noAdmin.userIsAdministrator);

    // mfreg finds a farm by a server's name: no name may be in two demo farms.
    std::set<std::string> servers;
    for (const FarmModel* farm : {&demo, &target, &noAdmin}) {
        for (const ServerRecord& server : farm->servers) {
            EXPECT_TRUE(servers.insert(FoldCase(server.name)).second) << server.name;
        }
    }
    EXPECT_TRUE(servers.contains("zn-ctx01"));
}

TEST(IconCheckTest, RejectsDamagedIconFiles) {
    const std::string good = MakeIcon(7);
    ASSERT_TRUE(IsIconFile(good));
    EXPECT_NE(MakeIcon(7), MakeIcon(8));
    auto with = [&](size_t at, std::string bytes) {
        std::string icon = good;
        icon.replace(at, bytes.size(), bytes);
        return icon;
    };
    const struct {
        const char* what;
        std::string bytes;
    } damaged[] = {
        {"empty", ""},
        {"shorter than its directory", good.substr(0, 5)},
        {"reserved word set", with(0, std::string("\1", 1))},
        {"cursor type", with(2, std::string("\2", 1))},
        {"no image", with(4, std::string("\0", 1))},
        {"more images than entries", with(4, std::string("\2", 1))},
        {"image cut short", good.substr(0, good.size() - 1)},
        {"image of size 0", with(14, std::string("\0\0\0\0", 4))},
        {"image inside the directory", with(18, std::string("\4\0\0\0", 4))},
        {"image beyond the end", with(18, std::string("\xff\xff\xff\x7f", 4))},
        {"text", "icon"},
    };
    for (const auto& icon : damaged) {
        EXPECT_FALSE(IsIconFile(icon.bytes)) << icon.what;
    }
}

}  // namespace
}  // namespace lab::testing
