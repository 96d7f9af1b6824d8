#include "app/explorer/zelvane_form.h"

std::unique_ptr<cCustomForm> MakeZelvaneForm() {
    return std::make_unique<cCustomForm>("qorns::explorer");
}
