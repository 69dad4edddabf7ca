// The small progress window of an archive extraction, owned by the window
// the extraction was given. The three functions have the shapes of
// engine::ArchiveProgressHook, so the program installs them with
//   static const engine::ArchiveProgressHook hook = {winui::BeginArchiveProgress,
//       winui::UpdateArchiveProgress, winui::EndArchiveProgress};
//   engine::SetArchiveProgressHook(&hook);
#pragma once

namespace winui {

// Shows the window over `owner` (an HWND) for `archive`; the window, or null.
void* BeginArchiveProgress(void* owner, const char* archive);
// Names the member being extracted and moves the bar to `percent`.
void UpdateArchiveProgress(void* window, const char* member, int percent);
// Closes the window.
void EndArchiveProgress(void* window);

}  // namespace winui
