// Puts the texts of the loaded language library into a whole window.
#ifndef PXRQ60_LANG_WIDGETS_TRANSLATEFORM_H
#define PXRQ60_LANG_WIDGETS_TRANSLATEFORM_H

#include <cstdint>

class QWidget;

// Every component of `form` whose Tag holds a string ID (its low 16 bits,
// 0 = none) gets the text of ID + offset; the form's window title only when
// the form's own Tag is greater than 0. List-like components take
// consecutive IDs after their own:
//   tabbed notebook, tab set, tab control  page i: ID + i
//   radio group                            item i: ID + 1 + i (caption stays)
//   combo box                              text of ID = item count n; items
//                                          ID + 1 .. ID + n replace the list;
//                                          no count: the designed items stay
// IDs wrap in 16 bits. Components are visited in creation order (the object
// tree, depth first), including the actions and menus of the menu bar.
// Other windows that merely have `form` as parent (open dialogs, the wait
// notice) are left alone: they translate themselves.
void TranslateForm(QWidget *form, uint16_t offset = 0);

#endif
