#include "bank/widget.h"

void bkWidget::Destroy() {
    delete this;
}
