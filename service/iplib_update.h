#pragma once
// One attempt of the service's IP-library update: ask the update endpoint for a
// library newer than the local one and store it. The worker loop around it reloads
// the store, skips the attempt while the master switch is off, and waits an hour.
#include <string>

class CIniReader;
class CLog;
namespace platform {
class StopToken;
}

enum IpLibUpdateResult {
  kIpLibNoReply = 0,      // no reply, or a status other than 200
  kIpLibRefused = 1,      // a reply without a usable newer library
  kIpLibWritten = 2,      // iplib.db replaced and Word30 stored
  kIpLibWriteFailed = 3,  // iplib.db, or its time after it, could not be written; Word30 kept
};

// Word30 without its blanks; empty when programDir has no iplib.db.
std::string IpLibLocalVersion(const std::string& programDir, const CIniReader& ini);

// baseUrl + "?t=qorip&tm=<version>&tk=<token>", the values percent-encoded.
std::string IpLibRequestUrl(const std::string& baseUrl, const std::string& version, const std::string& token);

// The attempt against "http://" + host + path (QOR_UPDATE_URL replaces scheme and
// host). urlSent, when given, receives the address asked (without "rnum"). A reply
// too large to take, or a library with a zero byte or without one readable record,
// leaves iplib.db and Word30 as they were and says why in log. The library goes to
// disk as it arrives, never whole in memory. A stop asked through stop ends the
// transfer at once (no reply; nothing changed).
int UpdateIpLibOnce(const std::string& programDir, const std::string& host, const std::string& path,
                    CIniReader& ini, std::string* urlSent = nullptr, CLog* log = nullptr,
                    const platform::StopToken* stop = nullptr);
