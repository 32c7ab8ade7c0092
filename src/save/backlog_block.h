// bklg.cvf (magic "CVSB"): the backlog's record inside a framed, versioned
// block. After the common header (count = the block's format version):
// int32 length n and the n bytes the backlog hands over. A reader refuses a
// version it does not know, and a length that does not fill the record
// exactly.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace save {

constexpr int32_t kBacklogBlockVersion = 1;

// The backlog's own record for a save (its serialiser), checking saved
// bytes before the engine is emptied, and handing them back to the backlog.
// An empty block is an empty backlog. Need the current engine.
std::vector<uint8_t> BacklogBytes();
bool CheckBacklogBytes(const std::vector<uint8_t>& bytes, std::string* reason);
bool RestoreBacklogBytes(const std::vector<uint8_t>& bytes, std::string* reason);

std::vector<uint8_t> BuildBacklogRecord(const std::vector<uint8_t>& backlog);
bool ParseBacklogRecord(const std::vector<uint8_t>& record, std::vector<uint8_t>* backlog,
                        std::string* reason);

}  // namespace save
