// SPDX-License-Identifier: Apache-2.0
// Quick and Salvage Recovery on arbitrary bytes: never crash, and the text
// always begins with "\r\n" and the progress never passes its maximum.
// Quick's translation gives the same bytes on every SIMD path and kernel, run by run
// and for the whole engine.

#include <cstdlib>
#include <string>
#include <vector>

#include "base/simd_dispatch.h"
#include "formats/doc/text_engines/quick_recovery.h"
#include "formats/doc/text_engines/quick_text.h"
#include "formats/doc/text_engines/salvage_recovery.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr kw::SimdPath kPaths[] = {kw::SimdPath::kScalar, kw::SimdPath::kSse2, kw::SimdPath::kAvx2};

void CompareTranslations(const uint8_t* data, size_t size) {
  std::string first;
  size_t firstUsed = 0;
  for (const kw::SimdPath path : kPaths) {
    std::vector<char> out(kw::QuickTextRoom(size));
    char* o = out.data();
    const size_t used = kw::QuickTranslateRunOn(path, data, size, &o);
    std::string text(out.data(), o);
    if (path == kw::SimdPath::kScalar) {
      first = std::move(text);
      firstUsed = used;
    } else if (used != firstUsed || text != first) {
      std::abort();
    }
  }
  for (const kw::QuickKernel kernel : {kw::QuickKernel::kAvx2, kw::QuickKernel::kAvx512, kw::QuickKernel::kSsse3}) {
    if (!kw::QuickKernelAvailable(kernel)) continue;
    std::vector<char> out(kw::QuickTextRoom(size));
    char* o = out.data();
    if (kw::QuickTranslateRunWith(kernel, data, size, &o) != firstUsed || std::string(out.data(), o) != first) {
      std::abort();
    }
  }
}

void CompareQuickPaths(const std::string& path) {
  std::string first;
  for (const kw::SimdPath simd : kPaths) {
    kw::ForceSimdPath(simd);
    kw::fuzz::SilentHost host;
    host.path = path;
    kw::RecoveryJobState job;
    if (!kw::QuickRecovery(job, host).ok()) std::abort();
    const std::string result = job.sRecoveredText + '|' + job.sCurChar + '|' + std::to_string(job.lCurPos);
    if (simd == kw::SimdPath::kScalar) {
      first = result;
    } else if (result != first) {
      std::abort();
    }
  }
  kw::ClearForcedSimdPath();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CompareTranslations(data, size);
  kw::fuzz::SilentHost host;
  host.path = kw::fuzz::WriteScratch(data, size);
  for (const bool salvage : {false, true}) {
    kw::RecoveryJobState job;
    const kw::Status status = salvage ? kw::SalvageRecovery(job, host) : kw::QuickRecovery(job, host);
    if (!status.ok() || job.sRecoveredText.compare(0, 2, "\r\n") != 0) std::abort();
    if (!salvage && host.value > host.maximum) std::abort();
    if (salvage && job.sRecoveredText.size() > 2 + 4 * 20001) std::abort();
  }
  CompareQuickPaths(host.path);
  return 0;
}
