#include "gui/unknown_progress_form.h"

cUnknownProgressForm::~cUnknownProgressForm() {
    fake_.Stop();
    Stop();
}

void cUnknownProgressForm::OnCreate() {
    cBasicProgressForm::OnCreate();
    fake_.Start();
}

void cUnknownProgressForm::OnFinish(unsigned result) {
    fake_.Stop();
    cBasicProgressForm::OnFinish(result);
}
