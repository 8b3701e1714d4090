// What the program last put into a field, or last took from it, and
// whether the user has touched the field since. A field that still holds
// it untouched keeps the value behind it as stored, although the field may
// show it rounded (a length with the chosen decimals, a speed's
// sensitivity to six digits, a date without its time, a text cut to the
// field's limit). A field the user typed into or picked from is taken as
// it stands, even when it shows the same text again: the value the user
// ends with is the one saved.
#pragma once

#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QVariant>

namespace pit {

inline constexpr char kShownProperty[] = "shownValue";

namespace detail {
inline constexpr char kTouched[] = "touchedByUser";
inline constexpr char kTracked[] = "userTracked";
inline constexpr char kShowing[] = "beingShown";
inline constexpr char kCrLf[] = "shownWithCrLf";
// Marks the item a list field holds for a stored text it lacks.
inline constexpr int kOwnItemRole = Qt::UserRole + 0x51;
// The pile (its file) whose values the list field shows.
inline constexpr char kShownPile[] = "shownPile";

inline void Remember(QWidget* w, const QVariant& v) {
    w->setProperty(kShownProperty, v);
    w->setProperty(kTouched, false);
}
// A field never shown counts as edited: it is read back as before.
inline bool Differs(const QWidget* w, const QVariant& now) {
    const QVariant shown = w->property(kShownProperty);
    return !shown.isValid() || shown != now;
}
inline bool Touched(const QWidget* w) {
    return w->property(kTouched).toBool();
}
inline bool StartTracking(QWidget* w) {
    if (w->property(kTracked).toBool())
        return false;
    w->setProperty(kTracked, true);
    return true;
}
inline void RemoveOwnItem(QComboBox* c) {
    const QSignalBlocker quiet(c);
    for (int i = c->count() - 1; i >= 0; --i)
        if (c->itemData(i, kOwnItemRole).toBool())
            c->removeItem(i);
}
// A list field shows `pile` from now on; true when it showed it before, so
// its own item, the stored text the list lacks, stays pickable: the user
// may pick it back after picking another value. An empty name is no pile.
inline bool ShowsSamePile(QComboBox* c, const QString& pile) {
    const bool same = !pile.isEmpty() && c->property(kShownPile).toString() == pile;
    c->setProperty(kShownPile, pile);
    return same;
}
} // namespace detail

// Follows the user's typing, pasting and picking in a field. Called before
// the field's own change handlers are connected, so that they see the
// field as touched; showing a value starts it too.
inline void TrackUserEdits(QLineEdit* e) {
    if (detail::StartTracking(e))
        QObject::connect(e, &QLineEdit::textEdited, e, [e] { e->setProperty(detail::kTouched, true); });
}
inline void TrackUserEdits(QPlainTextEdit* e) {
    if (detail::StartTracking(e))
        QObject::connect(e, &QPlainTextEdit::textChanged, e, [e] {
            if (!e->property(detail::kShowing).toBool())
                e->setProperty(detail::kTouched, true);
        });
}
inline void TrackUserEdits(QComboBox* c) {
    if (detail::StartTracking(c))
        QObject::connect(c, &QComboBox::activated, c, [c] { c->setProperty(detail::kTouched, true); });
}

inline void ShowValue(QLineEdit* e, const QString& text) {
    TrackUserEdits(e);
    e->setText(text);
    detail::Remember(e, e->text()); // as the field holds it (a length limit cuts it)
}
inline bool ChangedSinceShown(const QLineEdit* e) {
    return detail::Touched(e) || detail::Differs(e, e->text());
}
// The field's value went into the record: it counts as shown from now on,
// so typing the earlier text back is a change again.
inline void MarkTaken(QLineEdit* e) {
    detail::Remember(e, e->text());
}
// A value the program enters for the user (a fixed parameter): read back like a typed one.
inline void TypeValue(QLineEdit* e, const QString& text) {
    e->setText(text);
    detail::Remember(e, QVariant());
}

inline void ShowValue(QPlainTextEdit* e, const QString& text) {
    TrackUserEdits(e);
    e->setProperty(detail::kShowing, true);
    if (e->toPlainText() != text) // unchanged text keeps the cursor where it is
        e->setPlainText(text);
    e->setProperty(detail::kShowing, false);
    e->setProperty(detail::kCrLf, text.contains(QStringLiteral("\r\n")));
    detail::Remember(e, e->toPlainText()); // line ends as the field holds them
}
inline bool ChangedSinceShown(const QPlainTextEdit* e) {
    return detail::Touched(e) || detail::Differs(e, e->toPlainText());
}
inline void MarkTaken(QPlainTextEdit* e) {
    detail::Remember(e, e->toPlainText());
}
// The field's text with the line ends of the text it showed: the field
// holds a CR LF as a line feed alone.
inline QString TextOf(const QPlainTextEdit* e) {
    QString text = e->toPlainText();
    if (e->property(detail::kCrLf).toBool())
        text.replace(u'\n', QStringLiteral("\r\n"));
    return text;
}

inline void ShowValue(QComboBox* c, int index) {
    TrackUserEdits(c);
    detail::RemoveOwnItem(c);
    c->setProperty(detail::kShownPile, QVariant());
    c->setCurrentIndex(index);
    detail::Remember(c, c->currentIndex());
}
// A list field showing a stored text: the list's item of that text, or,
// where the list lacks it (a class "V" beside I to IV), an item of the
// field's own, so the field never keeps what it showed for another pile.
// `own` rides with that item for the caller to take back (OwnItemValue).
// While the field goes on showing the same `pile`, its own item stays.
inline void ShowText(QComboBox* c, const QString& text, const QVariant& own = {}, const QString& pile = {}) {
    TrackUserEdits(c);
    int index = c->findText(text);
    if (!detail::ShowsSamePile(c, pile) || index < 0) {
        detail::RemoveOwnItem(c);
        index = c->findText(text);
    }
    if (index < 0) {
        const QSignalBlocker quiet(c);
        c->addItem(text);
        index = c->count() - 1;
        c->setItemData(index, true, detail::kOwnItemRole);
        c->setItemData(index, own);
    }
    c->setCurrentIndex(index);
    detail::Remember(c, c->currentIndex());
}
// The field shows the stored text the list lacks.
inline bool ShowsOwnItem(const QComboBox* c) {
    return c->currentIndex() >= 0 && c->itemData(c->currentIndex(), detail::kOwnItemRole).toBool();
}
inline QVariant OwnItemValue(const QComboBox* c) {
    return ShowsOwnItem(c) ? c->currentData() : QVariant();
}
inline bool ChangedSinceShown(const QComboBox* c) {
    return detail::Touched(c) || detail::Differs(c, c->currentIndex());
}
inline void MarkTaken(QComboBox* c) {
    detail::Remember(c, c->currentIndex());
}
// A list value the program chooses for the user (a group's common value):
// read back like a pick.
inline void TypeText(QComboBox* c, const QString& text) {
    ShowText(c, text);
    detail::Remember(c, QVariant());
}

// A list field showing a stored text the list may hold at `listed` (-1:
// it does not): that item, else the field's own item with `own` riding along.
// While the field goes on showing the same `pile`, its own item stays.
inline void ShowListedText(QComboBox* c, int listed, const QString& text, const QVariant& own = {},
                           const QString& pile = {}) {
    if (listed < 0) {
        ShowText(c, text, own, pile);
        return;
    }
    TrackUserEdits(c);
    if (!detail::ShowsSamePile(c, pile))
        detail::RemoveOwnItem(c);
    c->setCurrentIndex(listed);
    detail::Remember(c, c->currentIndex());
}

// Date and time pickers: what they hold now counts as shown.
inline void RememberShown(QDateTimeEdit* e) {
    detail::Remember(e, e->dateTime());
}
inline bool ChangedSinceShown(const QDateTimeEdit* e) {
    return detail::Differs(e, e->dateTime());
}

} // namespace pit
