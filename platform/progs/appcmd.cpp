// Stand-in for the IIS 7 command-line tool, installed as Windows/System32/inetsrv/appcmd
// under the machine root. It edits the ISAPI filter list of the emulated IIS:
//   appcmd set config /section:isapiFilters /+[name='n',path='p',preCondition='bitness32']
//   appcmd set config /section:isapiFilters /-[name='n']
//   appcmd list config /section:isapiFilters
// and prepares a sample IIS state for the demo and the tests:
//   appcmd qor-seed iis6|iis7
#include <cstdio>
#include <string>
#include <vector>

#include "platform/gbk.h"
#include "platform/iis.h"
#include "platform/paths.h"

namespace iis = platform::iis;

namespace {

constexpr const char* kSectionName = "system.webServer/isapiFilters";

int Fail(int code, const std::string& message) {
  std::printf("ERROR ( message:%s )\n", message.c_str());
  return code;
}

struct Edit {
  bool add = true;
  std::vector<std::pair<std::string, std::string>> attributes;
};

// "/+[name='a',path='b c']" or "/-[name='a']"; values may also stand unquoted.
bool ParseEdit(const std::string& arg, Edit& edit, std::string& error) {
  if (arg.size() < 4 || (arg[0] != '/' && arg[0] != '-') || (arg[1] != '+' && arg[1] != '-') || arg[2] != '[') {
    error = "Unknown argument \"" + arg + "\"";
    return false;
  }
  edit.add = arg[1] == '+';
  size_t i = 3, n = arg.size();
  auto width = [&](size_t at) { return gbk::CharWidth(arg, at); };
  for (;;) {
    size_t eq = gbk::Find(arg, '=', i);
    if (eq == gbk::npos) {
      error = "Malformed collection element \"" + arg + "\"";
      return false;
    }
    std::string key = gbk::Trim(arg.substr(i, eq - i));
    std::string value;
    i = eq + 1;
    if (i < n && arg[i] == '\'') {
      size_t close = gbk::Find(arg, '\'', i + 1);
      if (close == gbk::npos) {
        error = "Unterminated value of attribute \"" + key + "\"";
        return false;
      }
      value = arg.substr(i + 1, close - i - 1);
      i = close + 1;
    } else {
      size_t start = i;
      while (i < n && arg[i] != ',' && arg[i] != ']') i += width(i);
      value = arg.substr(start, i - start);
    }
    if (key.empty()) {
      error = "Malformed collection element \"" + arg + "\"";
      return false;
    }
    edit.attributes.emplace_back(key, value);
    if (i < n && arg[i] == ',') {
      ++i;
      continue;
    }
    if (i + 1 == n && arg[i] == ']') return true;
    error = "Malformed collection element \"" + arg + "\"";
    return false;
  }
}

bool IsSectionArg(const std::string& arg) {
  std::string lower = gbk::ToLower(arg);
  for (const char* prefix : {"/section:", "-section:"}) {
    if (gbk::StartsWith(lower, prefix)) {
      std::string name = lower.substr(std::string(prefix).size());
      return name == "isapifilters" || name == "system.webserver/isapifilters";
    }
  }
  return false;
}

int ApplyEdit(const Edit& edit) {
  iis::FilterEntry entry;
  bool named = false;
  for (const auto& [key, value] : edit.attributes) {
    if (gbk::EqualsNoCase(key, "name")) {
      entry.name = value;
      named = true;
    } else if (gbk::EqualsNoCase(key, "path")) {
      entry.path = value;
    } else if (gbk::EqualsNoCase(key, "preCondition")) {
      entry.preCondition = value;
    } else if (gbk::EqualsNoCase(key, "enabled")) {
      if (!gbk::EqualsNoCase(value, "true") && !gbk::EqualsNoCase(value, "false"))
        return Fail(iis::kAppcmdBadSyntax, "Invalid value \"" + value + "\" of attribute \"enabled\"");
      entry.enabled = gbk::EqualsNoCase(value, "true");
    } else if (!gbk::EqualsNoCase(key, "enableCache")) {
      return Fail(iis::kAppcmdBadSyntax, "Unrecognized attribute \"" + key + "\"");
    }
  }
  if (!named || gbk::Trim(entry.name).empty())
    return Fail(iis::kAppcmdBadSyntax, "Missing required attribute \"name\"");

  uint32_t rc = edit.add ? iis::AddFilter(entry) : iis::RemoveFilter(entry.name);
  if (rc == iis::kErrAlreadyExists)
    return Fail(iis::kAppcmdDuplicate,
                "Cannot add duplicate collection entry of type 'filter' with unique key attribute 'name' set to '" +
                    entry.name + "'");
  if (rc == iis::kErrPathNotFound && !edit.add)
    return Fail(iis::kAppcmdNotListed, "Cannot find requested collection element");
  if (rc != iis::kOk) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", rc);
    return Fail(iis::kAppcmdStateError, std::string("Cannot write configuration, error ") + code);
  }
  return iis::kAppcmdOk;
}

std::string XmlAttribute(std::string value) {
  gbk::ReplaceAll(value, "&", "&amp;");
  gbk::ReplaceAll(value, "\"", "&quot;");
  gbk::ReplaceAll(value, "<", "&lt;");
  return value;
}

int ListSection() {
  std::vector<iis::FilterEntry> entries;
  if (uint32_t rc = iis::ListFilters(entries)) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", rc);
    return Fail(iis::kAppcmdStateError, std::string("Cannot read configuration, error ") + code);
  }
  std::printf("<system.webServer>\n  <isapiFilters>\n");
  for (const auto& e : entries) {
    std::printf("    <filter name=\"%s\" path=\"%s\" enabled=\"%s\"", XmlAttribute(e.name).c_str(),
                XmlAttribute(e.path).c_str(), e.enabled ? "true" : "false");
    if (!e.preCondition.empty()) std::printf(" preCondition=\"%s\"", XmlAttribute(e.preCondition).c_str());
    std::printf(" />\n");
  }
  std::printf("  </isapiFilters>\n</system.webServer>\n");
  return iis::kAppcmdOk;
}

int Seed(const std::vector<std::string>& args) {
  std::string which = args.size() == 2 ? gbk::ToLower(args[1]) : "";
  if (which != "iis6" && which != "iis7") return Fail(iis::kAppcmdBadSyntax, "Usage: appcmd qor-seed iis6|iis7");
  if (iis::Seed(which == "iis6" ? 6 : 7) != iis::kOk)
    return Fail(iis::kAppcmdStateError, "Cannot write " + iis::StatePath());
  std::printf("Seeded an IIS %c state in %s\n", which.back(), iis::StatePath().c_str());
  return iis::kAppcmdOk;
}

const char kUsage[] =
    "Usage: appcmd set config /section:isapiFilters /+[name='...',path='...',preCondition='...']\n"
    "       appcmd set config /section:isapiFilters /-[name='...']\n"
    "       appcmd list config /section:isapiFilters\n"
    "       appcmd qor-seed iis6|iis7\n";

int Usage() {
  std::fputs(kUsage, stdout);
  return iis::kAppcmdBadSyntax;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  std::string verb = gbk::ToLower(args[0]);
  if (verb == "/?" || verb == "-?" || verb == "--help" || verb == "help") {
    std::fputs(kUsage, stdout);
    return iis::kAppcmdOk;
  }
  if (verb == "qor-seed") return Seed(args);
  if (args.size() < 2 || gbk::ToLower(args[1]) != "config") return Usage();
  if (verb != "set" && verb != "list") return Usage();
  if (!iis::HasConfigSystem())
    return Fail(iis::kAppcmdNoConfig, "The IIS 7 configuration system is not installed on this machine");

  bool section = false;
  std::vector<Edit> edits;
  for (size_t i = 2; i < args.size(); ++i) {
    if (IsSectionArg(args[i])) {
      section = true;
      continue;
    }
    Edit edit;
    std::string error;
    if (verb == "list" || !ParseEdit(args[i], edit, error))
      return Fail(iis::kAppcmdBadSyntax, error.empty() ? "Unknown argument \"" + args[i] + "\"" : error);
    edits.push_back(std::move(edit));
  }
  if (!section) return Fail(iis::kAppcmdBadSyntax, "Only the section isapiFilters is supported here");
  if (verb == "list") return ListSection();
  if (edits.empty()) return Fail(iis::kAppcmdBadSyntax, "Nothing to change");
  for (const auto& edit : edits)
    if (int rc = ApplyEdit(edit)) return rc;
  std::printf("Applied configuration changes to section \"%s\" for \"MACHINE/WEBROOT/APPHOST\" at configuration "
              "commit path \"MACHINE/WEBROOT/APPHOST\"\n",
              kSectionName);
  return iis::kAppcmdOk;
}
