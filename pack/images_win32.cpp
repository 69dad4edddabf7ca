// Images need mtools and xorriso, which Windows does not have: they are made
// on Linux.
#include "pack/pack_internal.h"

namespace pack {

bool MakeFloppyImage(const std::string&, const std::vector<std::string>&, const std::string& image, int,
                     std::vector<Problem>& problems) {
  AddProblem(problems, image, 0, "--images は Linux 版の brelix-cli でだけ使えます（mtools が要ります）。",
             "--images works with the Linux brelix-cli only (it needs mtools).");
  return false;
}

bool MakeCdImage(const std::string&, const std::string& image, std::vector<Problem>& problems) {
  AddProblem(problems, image, 0, "--images は Linux 版の brelix-cli でだけ使えます（xorriso が要ります）。",
             "--images works with the Linux brelix-cli only (it needs xorriso).");
  return false;
}

}  // namespace pack
