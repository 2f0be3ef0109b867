#pragma once
// The fixed vocabulary of places: countries and regions (codes 0-154) and Chinese
// provinces (codes 1001-1034). The IP library stores the codes; people see the names.
#include <map>
#include <string>

#include "common/build.h"

class CQorArea {
 public:
  CQorArea();
  virtual ~CQorArea();

  // Empties both maps and fills them from the built-in tables; safe to call again.
  void Load();

  // Code of the name (exact bytes); 0 when unknown, which is also the code of "其他".
  int FindCountryCode(const std::string& name) const;
  int FindProvinceCode(const std::string& name) const;

  // Names in GBK byte order and their codes ("%d") at the same index; both lists are
  // emptied first. Returns the number of names.
  int ListCountries(StringList& names, StringList& codes) const;
  int ListProvinces(StringList& names, StringList& codes) const;

  // Name of the code; empty when the code is not in the map.
  std::string GetCountryName(int code) const;
  std::string GetProvinceName(int code) const;

  size_t CountryCount() const { return m_mapCountry.size(); }
  size_t ProvinceCount() const { return m_mapProvince.size(); }

 private:
  // std::string orders by unsigned bytes, which is GBK byte order.
  std::map<std::string, int> m_mapCountry;
  std::map<std::string, int> m_mapProvince;
};
