// The dialog translator that the analysis dialogs call when they open.
#include "analysis/FrameServices.h"

#include "controls/LanguageWidgets.h"

namespace pit {

namespace {
DialogTranslator g_translator = nullptr;
}

void SetDialogTranslator(DialogTranslator translator) {
    g_translator = translator;
}

void TranslateDialog(QWidget* dialog, int templateId) {
    if (!dialog)
        return;
    if (g_translator)
        g_translator(dialog, templateId);
    else
        TranslateDialog(dialog, unsigned(templateId));
}

} // namespace pit
