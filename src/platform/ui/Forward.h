#pragma once
#include "platform/core/Forward.h"

namespace core {
class Object;
}

namespace ui {
using Object = core::Object;

struct Point;
struct Size;
struct Rect;
struct Color;
struct Font;
struct Touch;
struct IndexPath;
class ActivityIndicator;
class AlertView;
class Animation;
class Application;
class ApplicationDelegate;
class BezierPath;
class Button;
class Control;
class GestureRecognizer;
class Image;
class ImageView;
class Label;
class Layer;
class LongPressGestureRecognizer;
class Painter;
class ScrollView;
class SegmentedControl;
class ShapeLayer;
class Slider;
class Storyboard;
class TableView;
class TableViewCell;
class TableViewDataSource;
class TableViewDelegate;
class TextField;
class TextFieldDelegate;
class View;
class ViewController;
class Window;
}
