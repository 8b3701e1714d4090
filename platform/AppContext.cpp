#include "platform/AppContext.h"

namespace pit {

int AppContext::message(const QString& text, const QString& caption, unsigned type) const {
    if (!messages)
        return defaultResultForType(type);
    return messages->show(text, caption, type);
}

} // namespace pit
