// Builds the install records of an update session for tests.
#pragma once

#include <string>

#include "engine/update_session.h"

namespace testing_support {

inline void AddRecordTo(UpdateSession& s, int disk, int kind, const std::string& name, const std::string& sub) {
  const int k = s.m_recordCount++;
  s.m_diskNumbers[k] = disk;
  s.m_recordKinds[k] = kind;
  s.m_archiveNames[k] = name;
  s.m_subFolders[k] = sub;
}

}  // namespace testing_support
