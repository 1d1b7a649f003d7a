// What the notifying buttons post, each with the button as sender: the hover buttons' entered
// and exited, the banner buttons' too and their press, and the press of each press-only button.
#pragma once

#include "platform/Notice.h"

namespace notices {

inline const NoticeName PRbuttonMouseEntered{"PRbuttonMouseEntered"};
inline const NoticeName PRbuttonMouseExited{"PRbuttonMouseExited"};

inline const NoticeName PRBannerButtonMouseEntered{"PRBannerButtonMouseEntered"};
inline const NoticeName PRBannerButtonMouseExited{"PRBannerButtonMouseExited"};
inline const NoticeName PRBannerButtonMouseDown{"PRBannerButtonMouseDown"};

inline const NoticeName MyClosebuttonMouseDown{"MyClosebuttonMouseDown"};
inline const NoticeName MyScanbuttonMouseDown{"MyScanbuttonMouseDown"};
inline const NoticeName MyOneCopyButtonMouseDown{"MyOneCopyButtonMouseDown"};
inline const NoticeName MyDiskManagebuttonMouseDown{"MyDiskManagebuttonMouseDown"};
inline const NoticeName MyAppCleanbuttonMouseDown{"MyAppCleanbuttonMouseDown"};
inline const NoticeName MyLargeFileButtonMouseDown{"MyLargeFileButtonMouseDown"};

}  // namespace notices
