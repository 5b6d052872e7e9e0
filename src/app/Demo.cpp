#include "app/Demo.h"

namespace app {

std::string demoScript(Demo demo)
{
    if (demo == Demo::Library) {
        return "# The built-in demo: fetch the sample songs, open one and play it.\n"
               "screenshot 01-library.png\n"
               "tap id:download\n"
               "idle 30\n"
               "wait 1\n"
               "screenshot 02-songs.png\n"
               "tap row:0\n"
               "wait 1\n"
               "screenshot 03-player.png\n"
               "tap id:play\n"
               "wait 4\n"
               "screenshot 04-playing.png\n"
               "tap id:pause\n"
               "dump player.json\n";
    }
    return "# The built-in demo: a tour of the kit gallery.\n"
           "screenshot 01-gallery.png\n"
           "tap id:galleryButton\n"
           "select id:gallerySegments 2\n"
           "slide id:gallerySlider 0.8\n"
           "type id:galleryField Hello, BeatStrip\n"
           "key return\n"
           "tap row:3\n"
           "wait 0.5\n"
           "screenshot 02-controls.png\n"
           "tap id:galleryAlertButton\n"
           "wait 0.3\n"
           "screenshot 03-alert.png\n"
           "tap id:alertButton1\n"
           "dump gallery.json\n";
}

}
