// SkinFramework: the window-skinning component. A skin file is a Qt style sheet, loaded,
// checked and then applied to one window.
#pragma once

#include <QString>

class QWidget;

class SkinFramework
{
public:
    // Flags of applyOptions().
    enum ApplyOption {
        // Use the skin's colours, fonts and borders. Without it applyWindow() leaves the
        // window's look alone.
        ApplyColors = 0x1,
    };

    // Reads and checks the skin file. iniName names a section of a multi-skin file; our
    // skin files hold one skin, so it must be empty. Throws AppError when the file cannot
    // be read or is not a usable style sheet (see checkStyleSheet()).
    void loadSkin(const QString &path, const QString &iniName);

    int applyOptions() const { return m_applyOptions; }
    void setApplyOptions(int options) { m_applyOptions = options; }

    // Draw a background the sheet gives the window itself (a plain widget ignores it).
    bool styledBackground() const { return m_styledBackground; }
    void setStyledBackground(bool on) { m_styledBackground = on; }
    // Keep every control's place and size as laid out, whatever sizes the sheet asks for.
    bool keepLayout() const { return m_keepLayout; }
    void setKeepLayout(bool on) { m_keepLayout = on; }

    // Applies the loaded skin to window and its controls, and to nothing else. Throws
    // AppError when no skin has been loaded.
    void applyWindow(QWidget *window) const;

    QString styleSheet() const { return m_styleSheet; }

    // Empty when text is a usable style sheet, otherwise what is wrong with it: a brace
    // without its partner, a rule inside a rule or without a selector, text outside the
    // rules, an unclosed comment or quoted text. Qt itself drops a sheet it cannot parse
    // with no more than a debug message, so the skin is checked here. An empty sheet, or
    // one of bare declarations for the window itself, is usable.
    static QString checkStyleSheet(const QString &text);

private:
    QString m_styleSheet;
    bool m_loaded = false;
    int m_applyOptions = 0;
    bool m_styledBackground = false;
    bool m_keepLayout = false;
};
