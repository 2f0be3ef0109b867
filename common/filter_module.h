#pragma once
// What the programs fix about the IIS filter module that makes the access decisions.
// The module is not one of the programs; these files, names and markers are the
// whole contract with it.

namespace filter_module {

// The modules, under the program folder.
inline constexpr const char* kModuleFile32 = "iis/qorip.dll";
inline constexpr const char* kModuleFile64 = "iis/qorip64.dll";
// Endings that follow the built-in word (GetBuiltinText) in the module files and in
// the panel's record file of the system folder.
inline constexpr const char* kModuleEnding32 = "ip.dll";
inline constexpr const char* kModuleEnding64 = "ip64.dll";
inline constexpr const char* kRecordEnding = "ip.db";

// Registration with IIS.
inline constexpr const char* kFilterName32 = "qorip";
inline constexpr const char* kFilterName64 = "qorip64";
inline constexpr const char* kFilterDescription = "Qor过滤器组件";

// Its input, under the program folder.
inline constexpr const char* kConfigFile = "iis/config.db";
inline constexpr const char* kSettingsFile = "iis/config.ini";
// Its output: request lines appended here, consumed by the service.
inline constexpr const char* kRequestLogDir = "iis/log/";
inline constexpr const char* kRequestLogFile = "iis/log/iis.log";

// Markers of a request line: the client address between the first two, the region
// to be filled in at the others.
inline constexpr const char* kMarkerIpStart = "<ipstart>";
inline constexpr const char* kMarkerIpEnd = "<ipend>";
inline constexpr const char* kMarkerArea = "~area~";
inline constexpr const char* kMarkerState = "~state~";

// Rights that the repair grants to everyone so that the worker processes can use the
// files: read and write the log folder, read the input, read and execute the modules.
// In the order the repair grants them; the last grant is the one it reports.
inline constexpr const char* kRightRead = "r";
inline constexpr const char* kRightReadExecute = "re";
inline constexpr const char* kRightReadWrite = "rw";
struct Permission {
  const char* path;
  const char* rights;
};
inline constexpr Permission kPermissions[] = {
    {kRequestLogDir, kRightReadWrite},  {kConfigFile, kRightRead},          {kSettingsFile, kRightRead},
    {kModuleFile64, kRightReadExecute}, {kModuleFile32, kRightReadExecute},
};

}  // namespace filter_module
