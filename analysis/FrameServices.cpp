// The dialog translator that the analysis dialogs call when they open.
#include "analysis/FrameServices.h"

namespace pit {

namespace {
DialogTranslator g_translator = nullptr;
}

void SetDialogTranslator(DialogTranslator translator) {
    g_translator = translator;
}

void TranslateDialog(QWidget* dialog, int templateId) {
    if (g_translator && dialog)
        g_translator(dialog, templateId);
}

} // namespace pit
