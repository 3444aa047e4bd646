// The workbench's user-interface resources: menus 128 and 129, accelerator
// table 128, toolbar 128 with its button images, icon 128 and the string
// table, as data the framework builds its widgets from.
#pragma once

#include "app/framework/ResourceProvider.h"

class CTorvexResources : public CResourceProvider {
public:
    const std::vector<PopupResource>& LoadMenu(UINT id) const override;
    const std::vector<AcceleratorResource>& LoadAccelerators(UINT id) const override;
    const std::vector<UINT>& LoadToolBar(UINT id) const override;
    QIcon LoadToolBarImage(UINT toolbarId, UINT commandId) const override;
    QIcon LoadIcon(UINT id) const override;
    QString LoadString(UINT id) const override;
};

// The one set of resources the application hands to the framework.
const CTorvexResources& TorvexResources();
