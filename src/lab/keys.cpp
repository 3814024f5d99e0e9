#include "lab/keys.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "lab/rules.h"

namespace lab {

namespace {

constexpr KeyKind N = KeyKind::kNumber;
constexpr KeyKind T = KeyKind::kText;

constexpr std::array<FarmSettingKey, 34> kFarmSettings = {{
    {"MaxConnectionsPerUser", N},
    {"EnforceConnectionsLimitOnAdmins", N},
    {"LogOverLimitDenials", N},
    {"DCRespondToClientBroadcast", N},
    {"RASRespondToClientBroadcast", N},
    {"UseClientLocalTime", N},
    {"DisableClientLocalTimeEstimation", N},
    {"EnableDNSAddressResolution", N},
    {"NDSPreferredTree", T},
    {"EnableContentRedirection", N},
    {"EnableRemoteConsoleConnections", N},
    {"ICAKeepAliveEnable", N},
    {"ICAKeepAliveTime", N},
    {"NoRedundantGraphics", N},
    {"AlternateCachingMethod", N},
    {"ICAVideoBufferSize", N},
    {"DegradationBias", N},
    {"NotifyDegradation", N},
    {"LogACRAttempts", N},
    {"EnableACR", N},
    {"PNEnumMode", N},
    {"ZonesShareLoadInfo", N},
    {"EnableSNMPAgent", N},
    {"SNMPDisconnectTrap", N},
    {"SNMPLogoffTrap", N},
    {"SNMPLogonTrap", N},
    {"SNMPThresholdValue", N},
    {"SNMPThresholdExceededTrap", N},
    {"LegacyMFServerCompatibleMode", N},
    {"LicenseServerName", T},
    {"LicenseServerPort", N},
    {"SREnabled", N},
    {"SRPort", N},
    {"SRTimeout", N},
}};

constexpr AppField V = AppField::kView;

constexpr std::array<AppKey, 28> kApplicationKeys = {{
    {"AppName", T, AppField::kName},
    {"DistinguishedName", T, AppField::kDistinguishedName},
    {"EnableApp", N, V},
    {"HideDisabledApp", N, V},
    {"Description", T, AppField::kDescription},
    {"DefaultInitProg", T, V},
    {"DefaultWorkDir", T, V},
    {"DefaultWindowHeight", N, V},
    {"DefaultWindowScale", N, V},
    {"DefaultWindowType", N, V},
    {"DefaultWindowWidth", N, V},
    {"DefaultWindowColor", N, V},
    {"InstanceLimit", N, V},
    {"AllowMultiInstancePerUser", N, V},
    {"CPUPriority", N, V},
    {"DefaultSoundType", N, V},
    {"EnableSSLConnections", N, V},
    {"DefaultEncryption", N, V},
    {"WaitOnPrinterCreation", N, V},
    {"PNFolder", T, V},
    {"AddToClientStartMenu", N, V},
    {"PlaceUnderProgramsFolder", N, V},
    {"StartMenuFolder", T, V},
    {"AddShortcutToClientDesktop", N, V},
    {"DesktopIntegrate", N, V},
    {"MFAttributes", N, V},
    {"PNAttributes", N, V},
    {"ParentFolderDN", T, AppField::kFolder},
}};

template <class Key, size_t Size>
const Key* FindKey(const std::array<Key, Size>& keys, std::string_view name) {
    for (const Key& key : keys) {
        if (EqualsNoCase(key.name, name)) {
            return &key;
        }
    }
    return nullptr;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

[[noreturn]] void Mismatch(std::string_view key, const std::string& text) {
    Refuse(Rule::kTypeMismatch, "Type mismatch: " + Quoted(text) + " is no number for " +
                                    Quoted(std::string(key)) + ".");
}

int32_t TextToNumber(const std::string& text, std::string_view key) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    size_t at = begin;
    bool negative = false;
    if (at < end && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    // The whole part, capped well above the 32-bit range so it cannot wrap.
    constexpr int64_t kCap = int64_t{1} << 40;
    int64_t whole = 0;
    size_t digits = 0;
    for (; at < end && IsDigit(text[at]); ++at, ++digits) {
        whole = std::min(kCap, whole * 10 + (text[at] - '0'));
    }
    bool roundUp = false;
    if (at < end && text[at] == '.') {
        ++at;
        const size_t fractionStart = at;
        for (; at < end && IsDigit(text[at]); ++at, ++digits) {
        }
        if (at > fractionStart) {
            const char first = text[fractionStart];
            bool restNonZero = false;
            for (size_t i = fractionStart + 1; i < at; ++i) {
                restNonZero = restNonZero || text[i] != '0';
            }
            // Halves go to the even neighbour.
            roundUp = first > '5' || (first == '5' && (restNonZero || whole % 2 == 1));
        }
    }
    if (digits == 0 || at != end) {
        Mismatch(key, text);
    }
    if (roundUp) {
        ++whole;
    }
    const int64_t value = negative ? -whole : whole;
    if (value < INT32_MIN || value > INT32_MAX) {
        Refuse(Rule::kOverflow,
               "Overflow: " + Quoted(text) + " does not fit " + Quoted(std::string(key)) + ".");
    }
    return static_cast<int32_t>(value);
}

}  // namespace

std::span<const FarmSettingKey> FarmSettingKeys() {
    return kFarmSettings;
}

std::span<const AppKey> ApplicationKeys() {
    return kApplicationKeys;
}

const FarmSettingKey* FindFarmSettingKey(std::string_view name) {
    return FindKey(kFarmSettings, name);
}

const AppKey* FindApplicationKey(std::string_view name) {
    return FindKey(kApplicationKeys, name);
}

farm::Value ConvertForKey(const farm::Value& value, KeyKind kind, std::string_view key) {
    if (kind == KeyKind::kText) {
        return farm::AsText(value);
    }
    if (const auto* number = std::get_if<int32_t>(&value)) {
        return *number;
    }
    return TextToNumber(std::get<std::string>(value), key);
}

farm::Value DefaultValue(KeyKind kind) {
    if (kind == KeyKind::kText) {
        return std::string();
    }
    return int32_t{0};
}

std::string FoldCase(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<char>(x - 'A' + 'a');
        }
        if (y >= 'A' && y <= 'Z') {
            y = static_cast<char>(y - 'A' + 'a');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

}  // namespace lab
