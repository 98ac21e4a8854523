#include "DefaultConfiguration.h"

#include <algorithm>
#include <iterator>
#include <new>

namespace zephra::editor {

void FillDefaultConfig(TConfigurationRecord& r, std::uint16_t type) {
  DbsString name = r.name;
  r = TConfigurationRecord{};
  r.name = name;
  if (name) {
    std::fill_n(name, DbsStringLength(name), u' ');
    std::copy_n(kDefaultDatabaseName.begin(), std::min<std::size_t>(DbsStringLength(name), kDefaultDatabaseName.size()),
                name);
  }
  r.recordSize = DBS_CONFIG_RECORD_SIZE;
  r.configType = type;
  const std::u16string_view tag = type == DBS_TYPE_V1 ? u"ZP100.00" : type == DBS_TYPE_V2 ? u"ZP201.00" : u"ZP300.00";
  std::copy(tag.begin(), tag.end(), r.version);
  r.matrixCount = 1;
  r.levelCount[0] = 4;
  // Every level is given 32 sources and destinations; validation keeps those
  // of the levels in use.
  std::fill(std::begin(r.sourceCount[0]), std::end(r.sourceCount[0]), 32);
  std::fill(std::begin(r.destCount[0]), std::end(r.destCount[0]), 32);
  const std::uint16_t associations = type == DBS_TYPE_V1 ? 384 : 768;
  r.sourceAssocCount[0] = associations;
  r.destAssocCount[0] = associations;
  r.generalPortCount = 3;
  r.multidropPortCount = 2;
  r.panelCount = 32;
  r.keypadCount = 80;
  std::fill(std::begin(r.keyCount), std::end(r.keyCount), 64);
  std::fill(std::begin(r.nodeCount), std::end(r.nodeCount), type == DBS_TYPE_V3 ? 670 : 600);
  r.xySetCount = 32;
  r.outputSetCount = 32;
  r.umdCount = 32;
  r.salvoCount = 32;
  r.salvoXPCount = 3000;
}

DefaultConfiguration::DefaultConfiguration(std::uint16_t type, std::u16string_view name) {
  record_.name = DbsStringFromUnits(name.data(), static_cast<std::uint32_t>(name.size()));
  if (!record_.name) throw std::bad_alloc();
  FillDefaultConfig(record_, type);
  std::copy(name.begin(), name.end(), record_.name);
}

DefaultConfiguration::~DefaultConfiguration() { DbsStringFree(record_.name); }

}  // namespace zephra::editor
