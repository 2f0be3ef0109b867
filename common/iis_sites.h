#pragma once
// The web sites and application pools of the local IIS, read through its administration
// provider: domains for the site picker, the site list of the system page, and whether
// IIS can be administered at all. Only reads.
#include <string>

#include "common/build.h"

// The domain a binding ("address:port:host") offers, or "" when it offers none.
// Without an address, ":80:host" gives the host and ":port:host" gives "host:port";
// with an address the host is kept when present, else the address, with ":port" when
// the port is not 80.
std::string BindingToDomain(const std::string& binding);

// Names of the application pools; 0 and the list untouched when IIS cannot be opened.
int EnumIisAppPools(StringList& list);
// Domains of the sites in the pool (case-blind), each with its site's comment at the same
// index; returns the number of domains. Tells the user when IIS cannot be opened.
int EnumIisSites(const std::string& pool, StringList& comments, StringList& domains, bool clear);
// Sites with a home folder (lower-cased), a comment and an anonymous user; states are
// "1" for a started site, else "0". Returns the number of sites listed.
int GetIisSiteInfo(StringList& comments, StringList& folders, StringList& users, StringList& states);
// "" when IIS can be opened, else the error text.
std::string CheckIisAdsi();
