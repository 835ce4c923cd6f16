' The Twain control on a form, its events handled by this script: a picture
' set, the bars driven, the mouse and keys used. Run by script_host, which
' names the control Twain1, calls the Subs below for its events, and offers
' Host to play the user's part. Failures are counted in `failures`.
Option Explicit

Const WM_KEYDOWN = &H100, WM_KEYUP = &H101, WM_CHAR = &H102
Const WM_MOUSEMOVE = &H200, WM_LBUTTONDOWN = &H201, WM_LBUTTONUP = &H202
Const MK_LBUTTON = 1
Const SB_LINEDOWN = 1, SB_PAGEDOWN = 3, SB_THUMBTRACK = 5, SB_ENDSCROLL = 8

Dim failures, log
failures = 0
log = ""

Sub Fail(what)
    failures = failures + 1
    Host.Echo "FAIL: " & what
End Sub

Sub Expect(actual, expected, what)
    If actual <> expected Then Fail what & ": got [" & actual & "], expected [" & expected & "]"
End Sub

' --- the handlers: each notes its event and arguments ---------------------
Sub Twain1_Scroll()
    log = log & "Scroll "
End Sub

Sub Twain1_Click()
    log = log & "Click "
End Sub

Sub Twain1_MouseDown(Button, Shift, x, y)
    log = log & "MouseDown(" & Button & "," & Shift & "," & x & "," & y & ") "
End Sub

Sub Twain1_MouseUp(Button, Shift, x, y)
    log = log & "MouseUp(" & Button & "," & Shift & "," & x & "," & y & ") "
End Sub

Sub Twain1_KeyDown(KeyCode, Shift)
    log = log & "KeyDown(" & KeyCode & ") "
End Sub

' A host that does not want the letter x cancels it.
Sub Twain1_KeyPress(KeyAscii)
    log = log & "KeyPress(" & KeyAscii & ") "
    If KeyAscii = Asc("x") Then KeyAscii = 0
End Sub

Sub Twain1_Resize()
    log = log & "Resize(" & Twain1.BitmapWidth & ") "
End Sub

Function Take()
    Take = Trim(log)
    log = ""
End Function

' --- a picture larger than the control -------------------------------------
Set Twain1.Picture = Host.GradientPicture(1000, 600)
Expect Twain1.BitmapWidth, 1000, "BitmapWidth"
Expect Twain1.BitmapHeight, 600, "BitmapHeight"
Call Take()

' --- the bars: Scroll once per thumb step, none for arrows and the release ---
Host.Scroll False, SB_THUMBTRACK, 300
Host.Scroll False, SB_THUMBTRACK, 450
Host.Scroll False, SB_ENDSCROLL, 0
Host.Scroll True, SB_LINEDOWN, 0
Host.Scroll True, SB_PAGEDOWN, 0
Expect Take(), "Scroll Scroll", "events of the bars"
' The picture box shows the part at (450, 110), both bars' positions.
Expect Host.BoxPixel(0, 0), Host.Gradient(450, 110, 1000, 600), "shown pixel (0, 0)"
Expect Host.BoxPixel(37, 21), Host.Gradient(487, 131, 1000, 600), "shown pixel (37, 21)"

' --- the mouse, from the picture box's corner whatever the scroll position ---
Host.Mouse WM_LBUTTONDOWN, MK_LBUTTON, 5, 7
Host.Mouse WM_LBUTTONUP, 0, 5, 7
Expect Take(), "MouseDown(1,0,5,7) MouseUp(1,0,5,7) Click", "mouse events"

' --- keys: a KeyAscii the handler sets to 0 is what the control goes on with -
Host.Key WM_KEYDOWN, 88
Host.Key WM_CHAR, Asc("x")
Expect Take(), "KeyDown(88) KeyPress(120)", "key events"
Expect Host.LastKeyAscii, 0, "KeyAscii cancelled by the handler"
Host.Key WM_CHAR, Asc("y")
Expect Host.LastKeyAscii, Asc("y"), "KeyAscii left alone"
Call Take()

' --- Refresh with AutoRedraw off keeps the setting --------------------------
Twain1.AutoRedraw = False
Twain1.Refresh
Expect Twain1.AutoRedraw, False, "AutoRedraw after Refresh"
Twain1.AutoRedraw = True

' --- resizing: Resize comes after the new layout ----------------------------
Host.Resize 400, 300
Expect Take(), "Resize(1000)", "Resize event"
Expect Host.BoxPixel(0, 0), Host.Gradient(450, 110, 1000, 600), "the part stays after resizing"
