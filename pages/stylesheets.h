#ifndef STYLESHEETS_H
#define STYLESHEETS_H

// Set on a page itself, these reach every push button on it, the navigation
// buttons included, and leave the model list alone.
namespace StyleSheets {

// Fully see-through buttons over the picture.
constexpr char Transparent[] = "QPushButton{background-color: rgba(255, 255, 255, 0);}";

// The same, with a faint white wash under the pointer.
constexpr char Hover[] = "QPushButton{background-color: rgba(255, 255, 255, 0);}"
                         "                        "
                         "QPushButton:hover{background-color: rgba(255, 255, 255, 50);}";

} // namespace StyleSheets

#endif
