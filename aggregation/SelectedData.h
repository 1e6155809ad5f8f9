#pragma once

// The ledger services' objects the aggregation makes read the data set the user selected: the
// set manager, the selected data's ID and the option link, in the order the services expect.

#include "ledger/Services.h"

inline const char* SelectedDataId() {
    auto* dataSet = static_cast<ClSetData*>(ClDataMgr::Inst().GetSetObject(setkind::kData, 1));
    const StDATAINFO* selected = dataSet ? dataSet->GetSelectedInfo() : nullptr;
    return selected ? selected->dataId : "";
}

template <class Service>
void AttachToSelectedData(Service& service) {
    service.AttachSetMgr(ClDataMgr::Inst().GetSetMgr());
    service.SetCurDataID(SelectedDataId());
    service.AttachOptLink(ClLinkMgr::Inst().GetOptLink());
}
