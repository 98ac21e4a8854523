#include "forms/GridResources.h"

#include <memory>

#include "UiService.h"

namespace {

// Caller strings for one record, preset to spaces of the widths given.
template <std::size_t N>
struct Names {
  std::array<std::unique_ptr<TLibString>, N> s;
  explicit Names(const int (&widths)[N]) {
    for (std::size_t i = 0; i < N; ++i) s[i] = std::make_unique<TLibString>(QString(widths[i], ' '));
  }
  Names(const std::array<QString, N>& texts) {
    for (std::size_t i = 0; i < N; ++i) s[i] = std::make_unique<TLibString>(texts[i]);
  }
  DbsString operator[](std::size_t i) const { return *s[i]; }
};

QString Units(DbsString s) { return QString::fromUtf16(reinterpret_cast<const char16_t*>(s), DbsStringLength(s)); }

}  // namespace

bool ReadSource(TCommonInterface& ci, int level, int source, TSourceValues& out) {
  Names<6> names(kSourceNameWidths);
  TSourceRecord r{};
  r.matrix = 0;
  r.level = static_cast<uint16_t>(level);
  r.source = static_cast<uint16_t>(source);
  r.name1 = names[0], r.name2 = names[1], r.name3 = names[2];
  r.name4 = names[3], r.name5 = names[4], r.name6 = names[5];
  out.matrix = 0;
  out.level = r.level;
  out.source = r.source;
  if (!ci.GetSourceData(r)) return false;
  for (std::size_t i = 0; i < 6; ++i) out.names[i] = Units(names[i]);
  out.sourceType = r.sourceType;
  out.audioParam = r.audioParam;
  out.trigger = r.trigger;
  return true;
}

bool WriteSource(TCommonInterface& ci, int level, const TSourceValues& v) {
  Names<6> names(v.names);
  TSourceRecord r{};
  r.matrix = 0;
  r.level = static_cast<uint16_t>(level);
  r.source = v.source;
  r.name1 = names[0], r.name2 = names[1], r.name3 = names[2];
  r.name4 = names[3], r.name5 = names[4], r.name6 = names[5];
  r.sourceType = v.sourceType;
  r.audioParam = v.audioParam;
  r.trigger = v.trigger;
  return ci.SetSourceData(r);
}

bool ReadDestAssoc(TCommonInterface& ci, int association, TDestAssocValues& out) {
  TLibString shortName(QString(4, ' ')), name(QString(8, ' '));
  TDestinationAssociationRecord r{};
  r.shortName = shortName;
  r.name = name;
  if (!ci.GetDestAssn(0, static_cast<uint16_t>(association), r, ci.FileHandle)) return false;
  out.matrix = r.matrix;
  out.association = r.association;
  out.shortName = Units(shortName);
  out.name = Units(name);
  std::copy(std::begin(r.members), std::end(r.members), out.members.begin());
  return true;
}

bool WriteDestAssoc(TCommonInterface& ci, int association, const TDestAssocValues& v) {
  TLibString shortName(v.shortName), name(v.name);
  TDestinationAssociationRecord r{};
  r.shortName = shortName;
  r.name = name;
  std::copy(v.members.begin(), v.members.end(), std::begin(r.members));
  return ci.SetDestAssn(0, static_cast<uint16_t>(association), r, ci.FileHandle);
}

int TSourceNames::Find(int level, const QString& text) {
  auto it = levels_.find(level);
  if (it == levels_.end()) {
    QHash<QString, int> names;
    TConfigurationRecord config{};
    if (ReadConfig(ci_, config) && level >= 0 && level < DBS_MAX_LEVELS) {
      for (int i = 0; i < config.sourceCount[0][level]; ++i) {
        TLibString name(QString(8, ' '));
        const TSourceIndexRecord index = {0, static_cast<int16_t>(level), static_cast<int16_t>(i)};
        // The first source of a name is the one found.
        if (ci_.GetSourceName(index, name, ci_.FileHandle) && !names.contains(name.Text()))
          names.insert(name.Text(), i);
      }
    }
    it = levels_.insert(level, names);
  }
  return it->value(text, -1);
}

bool ReadConfig(TCommonInterface& ci, TConfigurationRecord& config) {
  config = TConfigurationRecord{};  // no name string: the forms need only the counts
  return ci.GetConfig(config, ci.FileHandle);
}

bool NumberText(const QString& text, int& value) {
  bool ok = false;
  value = text.trimmed().toInt(&ok, 10);
  return ok;
}

bool PrintableName(const QString& text) {
  for (QChar c : text) {
    if (c.unicode() < 32 || c.unicode() > 126) return false;
  }
  return true;
}

bool BlankCell(const QString& text) {
  for (QChar c : text) {
    if (c != ' ') return false;
  }
  return true;
}

bool SourceOfText(TSourceNames& names, int level, int sources, const QString& text, const TSourceText& how, int& n) {
  if (how.byName) {
    n = names.Find(level, text);
    if (n < 0) Ui().Warning(how.notFound);
    return n >= 0;
  }
  int value = 0;
  if (!NumberText(text, value)) {
    Ui().Warning(how.notNumber);
    return false;
  }
  n = value - 1;
  if (n >= sources) {
    Ui().Warning(kValueTooGreat);
    return false;
  }
  if (n < 0) {
    Ui().Warning(kInvalidValue);
    return false;
  }
  return true;
}
