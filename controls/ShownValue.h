// What the program last put into a field. A field that still holds it was
// not edited, so the value behind it is kept as stored although the field
// may show it rounded (a length with the chosen decimals, a speed's
// sensitivity to six digits, a date without its time, a text cut to the
// field's limit). Only a field the user changed is read back.
#pragma once

#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVariant>

namespace pit {

inline constexpr char kShownProperty[] = "shownValue";

namespace detail {
inline void Remember(QWidget* w, const QVariant& v) {
    w->setProperty(kShownProperty, v);
}
// A field never shown counts as edited: it is read back as before.
inline bool Differs(const QWidget* w, const QVariant& now) {
    const QVariant shown = w->property(kShownProperty);
    return !shown.isValid() || shown != now;
}
} // namespace detail

inline void ShowValue(QLineEdit* e, const QString& text) {
    e->setText(text);
    detail::Remember(e, e->text()); // as the field holds it (a length limit cuts it)
}
inline bool ChangedSinceShown(const QLineEdit* e) {
    return detail::Differs(e, e->text());
}
// A value the program enters for the user (a fixed parameter): read back like a typed one.
inline void TypeValue(QLineEdit* e, const QString& text) {
    e->setText(text);
    detail::Remember(e, QVariant());
}

inline void ShowValue(QPlainTextEdit* e, const QString& text) {
    if (e->toPlainText() != text) // unchanged text keeps the cursor where it is
        e->setPlainText(text);
    detail::Remember(e, e->toPlainText()); // line ends as the field holds them
}
inline bool ChangedSinceShown(const QPlainTextEdit* e) {
    return detail::Differs(e, e->toPlainText());
}

inline void ShowValue(QComboBox* c, int index) {
    c->setCurrentIndex(index);
    detail::Remember(c, c->currentIndex());
}
inline bool ChangedSinceShown(const QComboBox* c) {
    return detail::Differs(c, c->currentIndex());
}

// Date and time pickers: what they hold now counts as shown.
inline void RememberShown(QDateTimeEdit* e) {
    detail::Remember(e, e->dateTime());
}
inline bool ChangedSinceShown(const QDateTimeEdit* e) {
    return detail::Differs(e, e->dateTime());
}

} // namespace pit
