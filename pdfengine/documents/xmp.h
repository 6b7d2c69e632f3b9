#pragma once

// The document's XMP metadata kept in agreement with its document
// information, for viewers that show XMP first.

#include "folioconstants.h"

#include <QString>

#include <string>

namespace fpe {

// Sets the XMP properties that mirror one information entry (Author:
// dc:creator, Title: dc:title, Subject: dc:description, Keywords: pdf:Keywords
// and an existing dc:subject, Creator: xmp:CreatorTool, Producer:
// pdf:Producer) in an XMP packet, adding them when absent. Returns false,
// leaving result alone, when the packet is not well-formed RDF.
bool updateXmpInformation(const std::string& packet, folio::InfoKey key, const QString& value, std::string& result);

} // namespace fpe
