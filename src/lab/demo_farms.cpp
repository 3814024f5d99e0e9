#include <array>

#include "lab/accounts.h"
#include "lab/keys.h"
#include "lab/lab.h"

namespace lab {

namespace {

constexpr const char* kDomain = "ZELTLAB";

constexpr std::array<const char*, 8> kUsers = {"alice", "bob",   "carol", "dave",
                                               "erin",  "frank", "grace", "heidi"};
constexpr std::array<const char*, 7> kGroups = {
    "Domain Users", "Office Users", "Finance", "Helpdesk", "Domain Admins", "Sales", "Reporting"};

std::vector<std::string> Accounts() {
    std::vector<std::string> accounts;
    for (const char* user : kUsers) {
        accounts.push_back(std::string(kDomain) + "\\" + user);
    }
    for (const char* group : kGroups) {
        accounts.push_back(std::string(kDomain) + "\\" + group);
    }
    return accounts;
}

std::map<std::string, farm::Value> Settings(const std::string& licenseServer, bool reportsAll) {
    std::map<std::string, farm::Value> settings = {
        {"MaxConnectionsPerUser", 2},
        {"EnforceConnectionsLimitOnAdmins", 0},
        {"LogOverLimitDenials", 1},
        {"DCRespondToClientBroadcast", 1},
        {"RASRespondToClientBroadcast", 0},
        {"UseClientLocalTime", 1},
        {"DisableClientLocalTimeEstimation", 0},
        {"EnableDNSAddressResolution", 1},
        {"NDSPreferredTree", std::string("ZELTTREE")},
        {"EnableContentRedirection", 1},
        {"EnableRemoteConsoleConnections", 0},
        {"ICAKeepAliveEnable", 1},
        {"ICAKeepAliveTime", 60},
        {"NoRedundantGraphics", 1},
        {"AlternateCachingMethod", 0},
        {"ICAVideoBufferSize", 1048576},
        {"DegradationBias", 1},
        {"NotifyDegradation", 1},
        {"LogACRAttempts", 0},
        {"EnableACR", 1},
        {"PNEnumMode", 0},
        {"ZonesShareLoadInfo", 1},
        {"EnableSNMPAgent", 0},
        {"SNMPDisconnectTrap", 0},
        {"SNMPLogoffTrap", 0},
        {"SNMPLogonTrap", 0},
        {"SNMPThresholdValue", 50},
        {"SNMPThresholdExceededTrap", 0},
        {"LegacyMFServerCompatibleMode", 0},
    };
    if (reportsAll) {
        settings["LicenseServerName"] = licenseServer;
        settings["LicenseServerPort"] = 27000;
        settings["SREnabled"] = 1;
        settings["SRPort"] = 2598;
        settings["SRTimeout"] = 180;
    }
    return settings;
}

struct DemoApp {
    const char* folder;
    const char* name;
    const char* description;
    const char* commandLine;  // nullptr: a published desktop
    const char* workDir;
};

constexpr const char* kOffice = "C:\\Program Files\\Microsoft Office\\OFFICE11";
constexpr const char* kSystem = "C:\\WINDOWS\\system32";

constexpr std::array<DemoApp, 30> kApps = {{
    {"Applications", "Notepad", "Plain text editor", "C:\\WINDOWS\\system32\\notepad.exe", kSystem},
    {"Applications", "Calculator", "Windows calculator", "C:\\WINDOWS\\system32\\calc.exe",
     kSystem},
    {"Applications", "Full Desktop", "The whole server desktop", nullptr, ""},
    {"Applications", "Internet Explorer", "Intranet browser",
     "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" http://intranet.zeltlab.local",
     "C:\\Program Files\\Internet Explorer"},
    {"Applications", "Command Prompt", "Console for support staff",
     "C:\\WINDOWS\\system32\\cmd.exe /k title ZeltLab", "C:\\"},
    {"Applications/Office", "Word", "Word processing",
     "\"C:\\Program Files\\Microsoft Office\\OFFICE11\\WINWORD.EXE\" /n", kOffice},
    {"Applications/Office", "Excel", "Spreadsheets",
     "\"C:\\Program Files\\Microsoft Office\\OFFICE11\\EXCEL.EXE\" /e", kOffice},
    {"Applications/Office", "PowerPoint", "Presentations",
     "\"C:\\Program Files\\Microsoft Office\\OFFICE11\\POWERPNT.EXE\"", kOffice},
    {"Applications/Office", "Outlook", "Mail and calendar",
     "\"C:\\Program Files\\Microsoft Office\\OFFICE11\\OUTLOOK.EXE\" /recycle", kOffice},
    {"Applications/Office", "Access", "Desktop databases",
     "\"C:\\Program Files\\Microsoft Office\\OFFICE11\\MSACCESS.EXE\" /nostartup", kOffice},
    {"Applications/Office", "Visio", "Diagrams",
     "\"C:\\Program Files\\Microsoft Office\\Visio11\\VISIO.EXE\"",
     "C:\\Program Files\\Microsoft Office\\Visio11"},
    {"Applications/Office/Viewers", "Word Viewer", "Read-only Word documents",
     "\"C:\\Program Files\\Microsoft Office\\OFFICE11\\WORDVIEW.EXE\"", kOffice},
    {"Applications/Office/Viewers", "Excel Viewer", "Read-only spreadsheets",
     "\"C:\\Program Files\\Microsoft Office\\OFFICE11\\XLVIEW.EXE\"", kOffice},
    {"Applications/Office/Viewers", "PDF Reader", "Portable documents",
     "\"C:\\Program Files\\Adobe\\Reader 7.0\\Reader\\AcroRd32.exe\" /s",
     "C:\\Program Files\\Adobe\\Reader 7.0\\Reader"},
    {"Applications/Tools", "WinZip", "Archive tool", "\"C:\\Program Files\\WinZip\\WINZIP32.EXE\"",
     "C:\\Program Files\\WinZip"},
    {"Applications/Tools", "Paint", "Simple drawings", "C:\\WINDOWS\\system32\\mspaint.exe",
     kSystem},
    {"Applications/Tools", "Character Map", "Special characters",
     "C:\\WINDOWS\\system32\\charmap.exe", kSystem},
    {"Applications/Tools/Admin", "Event Viewer", "Server event logs",
     "C:\\WINDOWS\\system32\\mmc.exe C:\\WINDOWS\\system32\\eventvwr.msc /s", kSystem},
    {"Applications/Tools/Admin", "Computer Management", "Local management console",
     "C:\\WINDOWS\\system32\\mmc.exe C:\\WINDOWS\\system32\\compmgmt.msc", kSystem},
    {"Applications/Tools/Admin", "Active Directory Users", "Directory accounts",
     "C:\\WINDOWS\\system32\\mmc.exe C:\\WINDOWS\\system32\\dsa.msc", kSystem},
    {"Applications/Tools/Admin", "DNS Console", "Name server management",
     "C:\\WINDOWS\\system32\\mmc.exe C:\\WINDOWS\\system32\\dnsmgmt.msc", kSystem},
    {"Applications/Tools/Admin", "Registry Editor", "Registry for administrators",
     "C:\\WINDOWS\\regedit.exe", "C:\\WINDOWS"},
    {"Applications/Tools/Admin", "Task Manager", "Processes and sessions",
     "C:\\WINDOWS\\system32\\taskmgr.exe", kSystem},
    {"Applications/Business", "SAP Logon", "ERP front end",
     "\"C:\\Program Files\\SAP\\FrontEnd\\SAPgui\\saplogon.exe\" /nosplash",
     "C:\\Program Files\\SAP\\FrontEnd\\SAPgui"},
    {"Applications/Business", "Siebel Client", "Customer relations",
     "\"C:\\Program Files\\Siebel\\7.8\\web client\\BIN\\siebel.exe\" /c uagent.cfg",
     "C:\\Program Files\\Siebel\\7.8\\web client\\BIN"},
    {"Applications/Business", "Oracle Forms", "Order entry forms",
     "\"C:\\oracle\\ora92\\bin\\ifrun60.exe\" module orders.fmx", "C:\\oracle\\ora92\\bin"},
    {"Applications/Business", "Payroll", "Monthly payroll",
     "\"D:\\Apps\\Payroll\\payroll.exe\" -site ZL01", "D:\\Apps\\Payroll"},
    {"Applications/Business/Reports", "Crystal Reports", "Report designer",
     "\"C:\\Program Files\\Crystal Decisions\\Crystal Reports 10\\crw32.exe\"",
     "C:\\Program Files\\Crystal Decisions\\Crystal Reports 10"},
    {"Applications/Business/Reports", "Report Viewer", "Published reports",
     "\"D:\\Apps\\Reports\\viewer.exe\" -readonly", "D:\\Apps\\Reports"},
    {"Applications/Business/Reports", "Cognos", "Business intelligence",
     "\"C:\\Program Files\\Cognos\\cer4\\bin\\impromptu.exe\"",
     "C:\\Program Files\\Cognos\\cer4\\bin"},
}};

constexpr std::array<const char*, 6> kDemoServers = {"ZD-CTX01", "ZD-CTX02", "ZD-CTX03",
                                                     "ZD-CTX04", "ZD-CTX05", "ZD-CTX06"};

AppRecord MakeDemoApp(const DemoApp& demo, uint32_t index) {
    AppRecord app;
    app.name = demo.name;
    app.folder = demo.folder;
    app.description = demo.description;
    const bool desktop = demo.commandLine == nullptr;
    // The sizes cycle through the window types 1 (640x480) to 4 (1280x1024).
    static constexpr std::array<std::array<int32_t, 3>, 4> kWindows = {
        {{1, 640, 480}, {2, 800, 600}, {3, 1024, 768}, {4, 1280, 1024}}};
    const auto& window = kWindows[index % kWindows.size()];
    const std::string folderTail =
        std::string(demo.folder).substr(std::string("Applications").size());
    app.keys = {
        {"EnableApp", index % 11 == 10 ? 0 : 1},
        {"HideDisabledApp", index % 11 == 10 ? 1 : 0},
        {"DefaultInitProg", std::string(desktop ? "" : demo.commandLine)},
        {"DefaultWorkDir", std::string(demo.workDir)},
        {"DefaultWindowHeight", window[2]},
        {"DefaultWindowScale", 90},
        {"DefaultWindowType", window[0]},
        {"DefaultWindowWidth", window[1]},
        {"DefaultWindowColor", static_cast<int32_t>(2 + index % 3)},
        {"InstanceLimit", index % 5 == 0 ? 10 : -1},
        {"AllowMultiInstancePerUser", index % 2 == 0 ? 1 : 0},
        {"CPUPriority", static_cast<int32_t>(1 + index % 3)},
        {"DefaultSoundType", index % 3 == 0 ? 2 : 1},
        {"EnableSSLConnections", index % 7 == 0 ? 1 : 0},
        {"DefaultEncryption", static_cast<int32_t>(1 + index % 5)},
        {"WaitOnPrinterCreation", index % 4 == 0 ? 1 : 0},
        {"PNFolder", folderTail.empty() ? std::string() : folderTail.substr(1)},
        {"AddToClientStartMenu", 1},
        {"PlaceUnderProgramsFolder", static_cast<int32_t>(index % 2)},
        {"StartMenuFolder", std::string(folderTail.empty() ? "ZeltLab" : "ZeltLab\\Apps")},
        {"AddShortcutToClientDesktop", index % 3 == 1 ? 1 : 0},
        {"DesktopIntegrate", index % 3 == 1 ? 1 : 0},
        {"MFAttributes", 0},
        {"PNAttributes", desktop ? 8 : 0},
    };
    // Two to four servers per application, spread over the farm.
    const uint32_t count = 2 + index % 3;
    for (uint32_t i = 0; i < count; ++i) {
        app.servers.push_back(kDemoServers[(index + i) % kDemoServers.size()]);
    }
    // Domain users and global groups of the domain, as a farm file holds them:
    // User=2:1:ZELTLAB:alice, Group=2:1:ZELTLAB:Finance.
    app.users.push_back({kNtDomainAuthority, kDomainUser, kDomain, kUsers[index % kUsers.size()]});
    if (index % 2 == 0) {
        app.users.push_back(
            {kNtDomainAuthority, kDomainUser, kDomain, kUsers[(index + 3) % kUsers.size()]});
    }
    app.groups.push_back(
        {kNtDomainAuthority, kGlobalGroup, kDomain, kGroups[index % kGroups.size()]});
    if (index % 3 == 0 && app.groups.front().accountName != "Domain Users") {
        app.groups.push_back({kNtDomainAuthority, kGlobalGroup, kDomain, "Domain Users"});
    }
    app.icon = MakeIcon(index + 1);
    return app;
}

}  // namespace

FarmModel MakeDemoFarm() {
    FarmModel farm;
    farm.name = kDemoFarm;
    farm.zones = {{"Frankfurt", "ZD-CTX01"}, {"London", "ZD-CTX04"}};
    for (size_t i = 0; i < kDemoServers.size(); ++i) {
        const bool older = i % 2 == 1;  // 5.0 (Windows 2000) and 5.2 (Windows Server 2003)
        farm.servers.push_back({kDemoServers[i], i < 3 ? "Frankfurt" : "London", 5, older ? 0 : 2});
    }
    farm.folders = {"Applications",
                    "Applications/Office",
                    "Applications/Office/Viewers",
                    "Applications/Tools",
                    "Applications/Tools/Admin",
                    "Applications/Business",
                    "Applications/Business/Reports"};
    for (uint32_t i = 0; i < kApps.size(); ++i) {
        farm.applications.push_back(MakeDemoApp(kApps[i], i));
    }
    farm.settings = Settings("ZD-LIC01", true);
    farm.userIsAdministrator = true;
    farm.accounts = Accounts();
    return farm;
}

FarmModel MakeTargetFarm() {
    FarmModel farm;
    farm.name = kTargetFarm;
    farm.zones = {{"Default Zone", "ZT-CTX01"}};
    farm.servers = {{"ZT-CTX01", "Default Zone", 5, 2},
                    {"ZT-CTX02", "Default Zone", 5, 2},
                    {"ZT-CTX03", "Default Zone", 5, 0}};
    farm.folders = {"Applications"};
    farm.settings = Settings("", false);
    farm.userIsAdministrator = true;
    farm.accounts = Accounts();
    return farm;
}

FarmModel MakeNoAdminFarm() {
    FarmModel farm;
    farm.name = kNoAdminFarm;
    farm.zones = {{"Default Zone", "ZN-CTX01"}};
    farm.servers = {{"ZN-CTX01", "Default Zone", 5, 2}};
    farm.folders = {"Applications"};
    farm.settings = Settings("ZN-LIC01", true);
    farm.userIsAdministrator = false;
    farm.accounts = Accounts();
    return farm;
}

void InstallDemoFarms(FarmStore& store) {
    for (FarmModel (*make)() : {&MakeDemoFarm, &MakeTargetFarm, &MakeNoAdminFarm}) {
        FarmModel farm = make();
        if (!store.HasFarm(farm.name)) {
            store.Write(farm);
        }
    }
}

}  // namespace lab
