// The daily job and the start-up pass over the preventive plans. The job's
// steps arrive with the preventive plans and the archive.
#include "TAVserver/dailyjob.h"

#include "TAVserver/prevstep.h"
#include "TAVserver/server.h"

namespace tav::server {

void runDailyJob(Server&) {}

void startupPlanPass(Server& S) {
  store::Table& pwo = S.db.t().rsPwo;
  const int32_t day = today();
  store::Transaction tx(S.db.db());
  for (bool on = pwo.moveFirst(); on; on = pwo.moveNext()) {
    if (pwo.get("statu").asInt() == 0) continue;
    auto next = nextCreationDay(static_cast<int32_t>(pwo.get("begday").asInt()),
                                pwo.get("every").asDouble(),
                                static_cast<int32_t>(pwo.get("perio").asInt()), day);
    if (!next) continue;  // a plan out of range is left as it stands
    store::Value stored = pwo.get("autocreate");
    if (!stored.isNull() && stored.asInt() == *next) continue;
    pwo.edit();
    pwo.set("autocreate", store::Value(*next));
    pwo.update();
  }
  tx.commit();
}

}  // namespace tav::server
