#pragma once

#include <QString>

namespace kelvara {

// Attribute text of the GBK settings files: the XML escapes, and a character
// reference for what GBK cannot hold.
QString xml_attribute(const QString& value);

// The value of attribute text: the named escapes and character references
// read, anything else kept as it stands.
QString xml_text(const QString& attribute);

} // namespace kelvara
