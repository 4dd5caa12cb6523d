// Where no XML library can be linked (the 32-bit Linux build, which has no
// 32-bit libxml2), every document goes through our own tolerant scan.
#include "convert/xml_reader.h"

namespace dockline::convert {

std::unique_ptr<XmlReader> OpenXmlReader(ByteSource& source) { return OpenTolerantReader(source); }

}  // namespace dockline::convert
