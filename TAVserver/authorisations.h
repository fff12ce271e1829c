// When an authorisation record counts: the grant commands, their list and
// the start-of-session rights all judge records by these two tests.
#pragma once
#include <cstdint>

#include "TAVserver/store/store.h"

namespace tav::server {

// The record under the cursor of `impower` is in force at `nowD`: it has a
// granter, its first day has begun, and it has not ended by its last day.
bool grantIsLive(store::Table& rsImp, double nowD, int32_t todayD);

// The record under the cursor may be taken over by a new grant: free, or
// ended by its last day.
bool grantIsReusable(store::Table& rsImp, int32_t todayD);

}  // namespace tav::server
