#pragma once
// Helpers of the download tests: GBK text from UTF-8, and the shared
// recording notifier and scratch folder.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/notifier.h"
#include "support/scratch_folder.h"
#include "text/encoding.h"

namespace dockline::download::testing {

inline std::string G(std::string_view utf8) { return text::Utf8ToGbk(utf8); }

using dockline::testing::RecordingNotifier;
using dockline::testing::ScratchFolder;

}  // namespace dockline::download::testing
