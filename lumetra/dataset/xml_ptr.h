// Owners for libxml2 objects: each frees its object with the library's own
// function when it goes out of scope.
#pragma once

#include <libxml/tree.h>
#include <libxml/xmlreader.h>
#include <libxml/xmlwriter.h>

#include <memory>

namespace lumetra::dataset {

struct XmlReaderFree {
  void operator()(xmlTextReaderPtr reader) const { xmlFreeTextReader(reader); }
};
struct XmlWriterFree {
  void operator()(xmlTextWriterPtr writer) const { xmlFreeTextWriter(writer); }
};
struct XmlBufferFree {
  void operator()(xmlBufferPtr buffer) const { xmlBufferFree(buffer); }
};
struct XmlCharFree {
  void operator()(xmlChar* text) const { xmlFree(text); }
};

using XmlReader = std::unique_ptr<xmlTextReader, XmlReaderFree>;
using XmlWriter = std::unique_ptr<xmlTextWriter, XmlWriterFree>;
using XmlBuffer = std::unique_ptr<xmlBuffer, XmlBufferFree>;
using XmlText = std::unique_ptr<xmlChar, XmlCharFree>;

}  // namespace lumetra::dataset
