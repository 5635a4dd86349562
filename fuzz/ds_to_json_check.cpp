#include "ds_to_json_check.h"

#include <fstream>
#include <sstream>

namespace lumetra::fuzz {

std::string ReadPacketFixture(const char* name) {
  std::ifstream in(std::string(LUMETRA_PACKETS_DIR) + "/" + name, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  Check(in.good() || in.eof(), "the packet fixture is readable");
  return content.str();
}

}  // namespace lumetra::fuzz
