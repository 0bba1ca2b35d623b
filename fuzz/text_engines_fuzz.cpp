// SPDX-License-Identifier: Apache-2.0
// Quick and Salvage Recovery on arbitrary bytes: never crash, and the text
// always begins with "\r\n" and the progress never passes its maximum.

#include <cstdlib>

#include "formats/doc/quick_recovery.h"
#include "formats/doc/salvage_recovery.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kw::fuzz::SilentHost host;
  host.path = kw::fuzz::WriteScratch(data, size);
  for (const bool salvage : {false, true}) {
    kw::RecoveryJobState job;
    const kw::Status status = salvage ? kw::SalvageRecovery(job, host) : kw::QuickRecovery(job, host);
    if (!status.ok() || job.sRecoveredText.compare(0, 2, "\r\n") != 0) std::abort();
    if (!salvage && host.value > host.maximum) std::abort();
    if (salvage && job.sRecoveredText.size() > 2 + 4 * 20001) std::abort();
  }
  return 0;
}
