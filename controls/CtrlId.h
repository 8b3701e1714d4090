// Widgets carry their numeric id as the dynamic property "ctrlId".
#pragma once

#include <QWidget>

namespace pit {

inline constexpr char kCtrlIdProperty[] = "ctrlId";

inline void SetCtrlId(QWidget* w, int id) {
    w->setProperty(kCtrlIdProperty, id);
}

inline constexpr char kCtrlValueProperty[] = "ctrlValue";

// The control shows a value (a file name, a version, a computed label), not
// a text of the dialog: the language files leave it as it is.
inline void MarkAsValue(QWidget* w) {
    w->setProperty(kCtrlValueProperty, true);
}
inline bool IsValue(const QWidget* w) {
    return w && w->property(kCtrlValueProperty).toBool();
}

// w carrying id, for building a dialog in one expression.
template <class W> W* WithCtrlId(W* w, int id) {
    SetCtrlId(w, id);
    return w;
}

// The id of a widget, 0 when it has none.
inline int CtrlId(const QWidget* w) {
    if (!w)
        return 0;
    const QVariant v = w->property(kCtrlIdProperty);
    return v.isValid() ? v.toInt() : 0;
}

// The first descendant of root that carries id, or null.
inline QWidget* FindCtrl(const QWidget* root, int id) {
    if (!root || id == 0)
        return nullptr;
    const auto children = root->findChildren<QWidget*>();
    for (QWidget* w : children)
        if (CtrlId(w) == id)
            return w;
    return nullptr;
}

} // namespace pit
