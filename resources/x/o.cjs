/* Velmora skin: a Qt style sheet applied to the windows when this file sits
   beside the program (x/o.cjs).  Warm, soft and easy to read.  Window, frame,
   label and option-button backgrounds are left to the program, which paints
   them in the palette's button-face colour; their text is left to the palette
   too, so that it stays readable on that colour under a dark desktop scheme.
   Text is coloured here only where the skin paints the background itself. */

/* Fonts are the program's own; the skin only colours and shapes. */

QPushButton {
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #FFFFFF, stop:1 #FBEFE6);
    border: 1px solid #E2B9A6;
    border-radius: 8px;
    padding: 6px 16px;
    min-height: 20px;
    color: #3B2A45;
}
QPushButton:hover {
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #FFF6EE, stop:1 #FCE1D3);
    border-color: #E2504F;
}
QPushButton:pressed {
    background-color: #F9D3C2;
    border-color: #C9433F;
    padding-top: 7px;
    padding-bottom: 5px;
}
QPushButton:focus {
    border: 2px solid #2BB3A5;
}
QPushButton:disabled {
    color: #A99AAF;
    background-color: #F4EEEA;
    border-color: #E3D8D2;
}

QGroupBox {
    border: 1px solid #E8C9BA;
    border-radius: 10px;
    margin-top: 14px;
    padding: 10px 8px 8px 8px;
}
QGroupBox::title {
    subcontrol-origin: margin;
    subcontrol-position: top left;
    left: 12px;
    padding: 0 6px;
    font-weight: bold;
}

QLineEdit, QDateEdit, QTimeEdit, QDateTimeEdit {
    background-color: #FFFFFF;
    border: 1px solid #D9C3B8;
    border-radius: 6px;
    padding: 1px 6px;
    color: #3B2A45;
    /* Dark enough for the white selected text to read. */
    selection-background-color: #1A7A71;
    selection-color: #FFFFFF;
}
QLineEdit:hover, QDateEdit:hover, QTimeEdit:hover, QDateTimeEdit:hover {
    border-color: #E2A58F;
}
QLineEdit:focus, QDateEdit:focus, QTimeEdit:focus, QDateTimeEdit:focus {
    border: 2px solid #2BB3A5;
    padding: 0px 5px;
}
QLineEdit:disabled, QDateEdit:disabled, QTimeEdit:disabled, QDateTimeEdit:disabled {
    background-color: #F4EEEA;
    color: #A99AAF;
}
/* The time picker's step buttons: a styled box draws its buttons only as the
   sheet describes them, so they and their arrows are described here (the
   arrows are the program's own pictures). */
QDateTimeEdit::up-button, QDateTimeEdit::down-button {
    subcontrol-origin: padding;
    width: 16px;
    border-left: 1px solid #D9C3B8;
    background-color: #FBEFE6;
}
QDateTimeEdit::up-button {
    subcontrol-position: top right;
    border-top-right-radius: 4px;
}
QDateTimeEdit::down-button {
    subcontrol-position: bottom right;
    border-bottom-right-radius: 4px;
}
QDateTimeEdit::up-button:hover, QDateTimeEdit::down-button:hover {
    background-color: #FCE1D3;
}
QDateTimeEdit::up-button:pressed, QDateTimeEdit::down-button:pressed {
    background-color: #F9D3C2;
}
QDateTimeEdit[calendarPopup="false"]::up-arrow {
    image: url(:/velmora/skin/arrow-up.svg);
    width: 8px;
    height: 5px;
}
QDateTimeEdit[calendarPopup="false"]::down-arrow {
    image: url(:/velmora/skin/arrow-down.svg);
    width: 8px;
    height: 5px;
}

QRadioButton {
    spacing: 7px;
}
QRadioButton::indicator {
    width: 14px;
    height: 14px;
    border-radius: 8px;
    border: 1px solid #C9A99B;
    background-color: #FFFFFF;
}
QRadioButton::indicator:hover {
    border-color: #E2504F;
}
QRadioButton::indicator:checked {
    border: 1px solid #1F8A80;
    background-color: qradialgradient(cx:0.5, cy:0.5, radius:0.5, fx:0.5, fy:0.5,
        stop:0 #2BB3A5, stop:0.5 #2BB3A5, stop:0.6 #FFFFFF, stop:1 #FFFFFF);
}

QScrollBar:vertical {
    background: #F6EDE7;
    width: 14px;
    margin: 0;
    border-radius: 7px;
}
QScrollBar:horizontal {
    background: #F6EDE7;
    height: 14px;
    margin: 0;
    border-radius: 7px;
}
QScrollBar::handle:vertical {
    background: #E3B6A4;
    min-height: 28px;
    margin: 2px;
    border-radius: 5px;
}
QScrollBar::handle:horizontal {
    background: #E3B6A4;
    min-width: 28px;
    margin: 2px;
    border-radius: 5px;
}
QScrollBar::handle:hover {
    background: #E2504F;
}
/* A scrollbar with nothing to scroll shows no handle. */
QScrollBar::handle:disabled {
    background: transparent;
}
QScrollBar::add-line, QScrollBar::sub-line {
    width: 0;
    height: 0;
    border: none;
    background: none;
}
QScrollBar::add-page, QScrollBar::sub-page {
    background: none;
}

QToolTip {
    background-color: #FFF8EF;
    color: #3B2A45;
    border: 1px solid #E2B9A6;
    padding: 4px;
}
