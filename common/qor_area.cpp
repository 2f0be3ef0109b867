#include "common/qor_area.h"

namespace {
struct AreaEntry {
  int code;
  const char* name;
};

// In code order.
const AreaEntry kCountries[] = {
    {0, "其他"}, {1, "阿尔巴尼亚"}, {2, "阿尔及利亚"}, {3, "阿富汗"}, {4, "阿根廷"}, {5, "阿联酋"}, {6, "阿曼"},
    {7, "阿塞拜疆"}, {8, "埃及"}, {9, "埃塞俄比亚"}, {10, "爱尔兰"}, {11, "爱沙尼亚"}, {12, "安哥拉"}, {13, "奥地利"},
    {14, "澳大利亚"}, {15, "澳门地区"}, {16, "巴布亚新几内亚"}, {17, "巴基斯坦"}, {18, "巴拉圭"}, {19, "巴勒斯坦"},
    {20, "巴林"}, {21, "巴拿马"}, {22, "巴西"}, {23, "白俄罗斯"}, {24, "保加利亚"}, {25, "北朝鲜"}, {26, "贝宁"},
    {27, "比利时"}, {28, "冰岛"}, {29, "波兰"}, {30, "玻利维亚"}, {31, "博茨瓦纳"}, {32, "布基纳法索"}, {33, "布隆迪"},
    {34, "丹麦"}, {35, "德国"}, {36, "多哥"}, {37, "多米尼加共和国"}, {38, "俄罗斯"}, {39, "厄瓜多尔"}, {40, "法国"},
    {41, "菲律宾"}, {42, "斐济"}, {43, "芬兰"}, {44, "刚果"}, {45, "哥伦比亚"}, {46, "哥斯达黎加"}, {47, "格林纳达"},
    {48, "格鲁吉亚"}, {49, "古巴"}, {50, "哈萨克"}, {51, "韩国"}, {52, "荷兰"}, {53, "洪都拉斯"}, {54, "吉尔吉斯坦"},
    {55, "几内亚"}, {56, "加拿大"}, {57, "加纳"}, {58, "加蓬"}, {59, "柬埔寨"}, {60, "捷克"}, {61, "津巴布韦"},
    {62, "喀麦隆"}, {63, "卡塔尔"}, {64, "科特迪瓦共和国"}, {65, "科威特"}, {66, "拉脱维亚"}, {67, "老挝"}, {68, "黎巴嫩"},
    {69, "立陶宛"}, {70, "利比里亚"}, {71, "利比亚"}, {72, "列支敦士登"}, {73, "卢森堡"}, {74, "罗马尼亚"}, {75, "马达加斯加"},
    {76, "马耳他"}, {77, "马拉维"}, {78, "马来西亚"}, {79, "马里"}, {80, "毛里求斯"}, {81, "美国"}, {82, "蒙古"},
    {83, "孟加拉"}, {84, "秘鲁"}, {85, "缅甸"}, {86, "摩尔多瓦"}, {87, "摩洛哥"}, {88, "摩纳哥"}, {89, "莫桑比克"},
    {90, "墨西哥"}, {91, "纳＊＊亚"}, {92, "南非"}, {93, "南斯拉夫联盟"}, {94, "尼泊尔"}, {95, "尼加拉瓜"}, {96, "尼日尔"},
    {97, "尼日利亚"}, {98, "挪威"}, {99, "葡萄牙"}, {100, "日本"}, {101, "瑞典"}, {102, "瑞士"}, {103, "塞内加尔"},
    {104, "塞浦路斯"}, {105, "塞舌尔"}, {106, "沙特阿拉伯"}, {107, "圣卢西亚"}, {108, "圣马力诺"}, {109, "圣文森特岛"},
    {110, "斯里兰卡"}, {111, "斯洛伐克"}, {112, "斯洛文尼亚"}, {113, "斯威士兰"}, {114, "苏丹"}, {115, "索马里"},
    {116, "塔吉克斯坦"}, {117, "台湾省"}, {118, "泰国"}, {119, "坦桑尼亚"}, {120, "突尼斯"}, {121, "土耳其"},
    {122, "土库曼"}, {123, "危地马拉"}, {124, "委内瑞拉"}, {125, "文莱"}, {126, "乌干达"}, {127, "乌克兰"},
    {128, "乌拉圭"}, {129, "乌兹别克"}, {130, "西班牙"}, {131, "希腊"}, {132, "香港特别行政区"}, {133, "新加坡"},
    {134, "新西兰"}, {135, "匈牙利"}, {136, "叙利亚"}, {137, "牙买加"}, {138, "亚美尼亚"}, {139, "也门"},
    {140, "伊拉克"}, {141, "伊朗"}, {142, "以色列"}, {143, "意大利"}, {144, "印度"}, {145, "印度尼西亚"}, {146, "英国"},
    {147, "约旦"}, {148, "越南"}, {149, "赞比亚"}, {150, "扎伊尔"}, {151, "乍得"}, {152, "智利"}, {153, "中非"},
    {154, "中国"},
};

const AreaEntry kProvinces[] = {
    {1001, "安徽省"}, {1002, "北京市"}, {1003, "重庆市"}, {1004, "福建省"}, {1005, "广东省"}, {1006, "甘肃省"},
    {1007, "广西壮族自治区"}, {1008, "贵州省"}, {1009, "河南省"}, {1010, "湖北省"}, {1011, "河北省"}, {1012, "海南省"},
    {1013, "香港特别行政区"}, {1014, "黑龙江省"}, {1015, "湖南省"}, {1016, "吉林省"}, {1017, "江苏省"}, {1018, "江西省"},
    {1019, "辽宁省"}, {1020, "澳门特别行政区"}, {1021, "内蒙古自治区"}, {1022, "宁夏回族自治区"}, {1023, "青海省"},
    {1024, "四川省"}, {1025, "山东省"}, {1026, "上海市"}, {1027, "陕西省"}, {1028, "山西省"}, {1029, "天津市"},
    {1030, "台湾省"}, {1031, "新疆维吾尔族自治区"}, {1032, "西藏自治区"}, {1033, "云南省"}, {1034, "浙江省"},
};
}  // namespace

CQorArea::CQorArea() = default;

CQorArea::~CQorArea() {
  m_mapProvince.clear();
  m_mapCountry.clear();
}

void CQorArea::Load() {
  m_mapCountry.clear();
  m_mapProvince.clear();
  for (const auto& e : kCountries) m_mapCountry[e.name] = e.code;
  for (const auto& e : kProvinces) m_mapProvince[e.name] = e.code;
}

namespace {
int FindCode(const std::map<std::string, int>& map, const std::string& name) {
  auto it = map.find(name);
  return it == map.end() ? 0 : it->second;
}

int ListNames(const std::map<std::string, int>& map, StringList& names, StringList& codes) {
  names.clear();
  codes.clear();
  for (const auto& [name, code] : map) {
    if (name.empty()) continue;
    names.push_back(name);
    codes.push_back(std::to_string(code));
  }
  return static_cast<int>(names.size());
}

std::string FindName(const std::map<std::string, int>& map, int code) {
  for (const auto& [name, c] : map)
    if (c == code) return name;
  return std::string();
}
}  // namespace

int CQorArea::FindCountryCode(const std::string& name) const { return FindCode(m_mapCountry, name); }
int CQorArea::FindProvinceCode(const std::string& name) const { return FindCode(m_mapProvince, name); }

int CQorArea::ListCountries(StringList& names, StringList& codes) const {
  return ListNames(m_mapCountry, names, codes);
}
int CQorArea::ListProvinces(StringList& names, StringList& codes) const {
  return ListNames(m_mapProvince, names, codes);
}

std::string CQorArea::GetCountryName(int code) const { return FindName(m_mapCountry, code); }
std::string CQorArea::GetProvinceName(int code) const { return FindName(m_mapProvince, code); }
