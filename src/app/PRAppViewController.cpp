#include "app/PRAppViewController.h"

// The page holds no controls of its own: a plain view that its host lays out.
void PRAppViewController::buildView(QWidget* /*page*/) {}
