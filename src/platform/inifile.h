#pragma once
// The settings store's INI text: parsed by QSettings, and written here in the
// spelling that QSettings parses back to the same values.
#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVariant>
#include <optional>

namespace qel::rt::inifile {

using Values = QMap<QString, QVariant>;  // "section/key" -> value, as QSettings gives them

// Nothing when the text could not be handed to the parser.
std::optional<Values> parse(const QByteArray& text);
QByteArray text(const Values& values);

}  // namespace qel::rt::inifile
