#pragma once
#include <string>

// GET of url with "rnum=" appended; the body of a 200 or 500 reply, lines joined
// without separators. 1 when a reply of one of those statuses came, else 0.
int HttpGetText(const std::string& url, std::string& out);
// The rnum value appended to every download (1 to 998, the same for every call).
int DownloadRandomNumber();
// url + "?rnum=n" or "&rnum=n".
std::string AppendRandomNumber(const std::string& url);
