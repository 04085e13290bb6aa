#pragma once

// What the three stamp pages share: the controls bound to the fields of a
// design record, the colour panels, and what a page asks of the main window.

#include "Dialogs.h"
#include "Parameters.h"

#include <QFrame>
#include <QWidget>

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qg {

// What a stamp page needs from the main window.
class PageHost {
public:
    virtual ~PageHost() = default;
    // A setting of the kind changed (a text, a number, a font, a colour):
    // mark the kind modified and repaint.
    virtual void settingChanged(StampKind kind) = 0;
    // Repaint without marking anything (check boxes).
    virtual void repaintPreview() = 0;
    // A control wrote a field of the kind's record; told before the two
    // above. `counts` is whether the change marks the kind modified;
    // `typedIn` the edit typed in, null for any other control.
    virtual void fieldEdited(StampKind kind, bool counts, const QObject* typedIn) = 0;
    // The shared colour dialog, loaded with `preset` when given, otherwise
    // with the colour it last held.
    virtual std::optional<TColor> chooseColour(std::optional<TColor> preset) = 0;
    virtual Dialogs& dialogs() = 0;
};

// A raised panel without caption that shows a colour and reacts to a click.
class ColourPanel : public QFrame {
    Q_OBJECT
public:
    explicit ColourPanel(QWidget* parent);
    void setColour(TColor colour);
    TColor colour() const { return m_colour; }
signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TColor m_colour = kNoneColour;
};

// The common part of the three stamp pages: it builds controls bound to a
// field of the page's design record and keeps the two in step. A user's
// change writes the field and tells the host; syncFromRecord() writes the
// fields back into the controls without raising any handler.
class StampPageEditor : public QWidget {
    Q_OBJECT
public:
    StampPageEditor(StampKind kind, PageHost& host, TextLines& lines, QWidget* parent);

    StampKind kind() const { return m_kind; }

    // Brings every bound control in line with the record, the enabled states
    // of dependent controls included.
    void syncFromRecord();

protected:
    static constexpr std::int32_t kNoThreshold = std::numeric_limits<std::int32_t>::min();

    QCheckBox* makeCheck(QWidget* parent, const QString& name, const QString& caption, const QRect& geometry,
                         bool* field);
    // The controls that follow the check box's state.
    void setDependents(QCheckBox* check, const std::vector<QWidget*>& dependents);
    QLineEdit* makeTextEdit(QWidget* parent, const QString& name, const QRect& geometry, QString* field);
    // A number edit; values below `threshold` are stored without marking the
    // kind modified or repainting.
    QLineEdit* makeNumberEdit(QWidget* parent, const QString& name, const QRect& geometry, const QString& hint,
                              std::int32_t* field, std::int32_t threshold = kNoThreshold);
    ColourPanel* makeColourPanel(QWidget* parent, const QString& name, const QRect& geometry,
                                 const QString& hint, TColor* field);
    QPushButton* makeFontButton(QWidget* parent, const QString& name, const QRect& geometry, int lineIndex);
    QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, const QPoint& position);

    // A text line placed by x, y and angle: check box, edit, font button and
    // the three number edits, named Page<k>Check<n>, Page<k>Edit<n>, ...
    struct PlacedRow {
        QRect check;
        int editTop;
        int buttonTop;
        int numberTop;
        QString caption;
    };
    void makePlacedRow(int lineIndex, const PlacedRow& row);

    QString controlName(const char* role, int number) const;

    // Shows a text in a bound edit without writing it to the record or
    // raising any handler; the next syncFromRecord() replaces it.
    void showTextQuietly(QLineEdit* edit, const QString& text);

    PageHost& m_host;

private:
    struct CheckBinding {
        QCheckBox* check;
        bool* field;
        std::vector<QWidget*> dependents;
    };
    struct TextBinding {
        QLineEdit* edit;
        QString* field;
    };
    struct NumberBinding {
        QLineEdit* edit;
        std::int32_t* field;
    };
    struct PanelBinding {
        ColourPanel* panel;
        TColor* field;
    };
    void onFontButton(int lineIndex);
    static void applyDependents(const CheckBinding& binding);

    StampKind m_kind;
    TextLines& m_lines;
    bool m_syncing = false;
    std::vector<CheckBinding> m_checks;
    std::vector<TextBinding> m_texts;
    std::vector<NumberBinding> m_numbers;
    std::vector<PanelBinding> m_panels;
};

}  // namespace qg
