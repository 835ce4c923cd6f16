' Drives the Twain control the way a script host does: late bound, every
' argument a by-reference Variant. Counts failures and returns the count
' as the exit code (cscript would exit 0 on a runtime error otherwise).
Option Explicit
On Error Resume Next

Dim failures
failures = 0

Sub Fail(what)
    failures = failures + 1
    WScript.Echo "FAIL: " & what
End Sub

' Call right after a statement: reports and clears a pending error.
Sub NoError(what)
    If Err.Number <> 0 Then
        Fail what & ": error &H" & Hex(Err.Number) & " " & Err.Description
        Err.Clear
    End If
End Sub

Sub Expect(actual, expected, what)
    If Err.Number <> 0 Then
        NoError what
        Exit Sub
    End If
    On Error Resume Next
    Dim same
    same = (actual = expected)
    If Err.Number <> 0 Then
        Fail what & ": cannot compare [" & actual & "] with [" & expected & "]: " & Err.Description
        Err.Clear
    ElseIf Not same Then
        Fail what & ": got [" & actual & "], expected [" & expected & "]"
    End If
End Sub

Sub ExpectError(what)
    If Err.Number = 0 Then
        Fail what & ": no error raised"
    End If
    Err.Clear
End Sub

Dim t
Set t = CreateObject("Korvix.Twain")
If Err.Number <> 0 Or Not IsObject(t) Then
    WScript.Echo "FAIL: CreateObject(""Korvix.Twain""): &H" & Hex(Err.Number) & " " & Err.Description
    WScript.Quit 1
End If

' --- read-write properties: each value written reads back -------------------
t.BorderStyle = 0 : Expect t.BorderStyle, 0, "BorderStyle 0"
t.BorderStyle = 1 : Expect t.BorderStyle, 1, "BorderStyle 1"
' BackColor is an unsigned OLE_COLOR, which VBScript can print but not compare.
t.BackColor = &HFF8040 : Expect "" & t.BackColor, "16744512", "BackColor RGB"
t.BackColor = &H8000000F : Expect "" & t.BackColor, "2147483663", "BackColor system colour &H8000000F (an unsigned OLE_COLOR: compared as text)"
t.Enabled = False : Expect t.Enabled, False, "Enabled False"
t.Enabled = True : Expect t.Enabled, True, "Enabled True"
t.MousePointer = 2 : Expect t.MousePointer, 2, "MousePointer"
t.AutoRedraw = False : Expect t.AutoRedraw, False, "AutoRedraw False"
t.AutoRedraw = True : Expect t.AutoRedraw, True, "AutoRedraw True"
t.ToolTipText = "Scan here" : Expect t.ToolTipText, "Scan here", "ToolTipText"
t.ColorType = 2 : Expect t.ColorType, 2, "ColorType"
t.Resolution = 300 : Expect t.Resolution, 300, "Resolution"
t.ShowProgress = False : Expect t.ShowProgress, False, "ShowProgress"
t.ShowInterface = True : Expect t.ShowInterface, True, "ShowInterface"
t.Scrollable = False : Expect t.Scrollable, False, "Scrollable False"
t.Scrollable = True : Expect t.Scrollable, True, "Scrollable True"
Dim name
name = "C:\scans\page 1.bmp"
t.filename = name : Expect t.filename, name, "filename from a variable"
t.filename = "C:\scans\page 2.bmp" : Expect t.filename, "C:\scans\page 2.bmp", "filename from a literal"
t.Resolution = "150" : Expect t.Resolution, 150, "Resolution from text"

' Object properties: Nothing, and the control's own picture handed back.
Dim pic
Set pic = t.Picture : NoError "Picture get"
If Not IsObject(pic) Then Fail "Picture is not an object"
Set t.Picture = Nothing : NoError "Set Picture = Nothing"
If Not (t.Picture Is Nothing) Then Fail "Picture did not become Nothing"
Set t.Picture = pic : NoError "Set Picture back"
If Not (t.Picture Is pic) Then Fail "Picture returned another object"
Set t.MouseIcon = Nothing : NoError "Set MouseIcon = Nothing"
If Not (t.MouseIcon Is Nothing) Then Fail "MouseIcon did not become Nothing"

' Values the control refuses raise an error and change nothing.
t.MousePointer = 1234 : ExpectError "MousePointer 1234"
Expect t.MousePointer, 2, "MousePointer after a refused value"
t.Resolution = "three hundred" : ExpectError "Resolution from non-numeric text"
Expect t.Resolution, 150, "Resolution after a refused value"

' --- read-only properties ----------------------------------------------------
Expect t.FileType, 0, "FileType"
Expect t.BitmapWidth, 0, "BitmapWidth of the empty picture"
Expect t.BitmapHeight, 0, "BitmapHeight of the empty picture"
If t.hwnd = 0 Then Fail "hwnd is 0"
NoError "hwnd"
If t.hDC = 0 Then Fail "hDC is 0"
NoError "hDC"
t.FileType = 3 : ExpectError "writing FileType"
Expect t.FileType, 0, "FileType after a refused write"
t.BitmapWidth = 5 : ExpectError "writing BitmapWidth"

' --- methods -------------------------------------------------------------------
t.Refresh : NoError "Refresh"

' ShowSave and ShowLoad with 0 to 3 arguments, from variables and literals.
' A dialog that opens is cancelled by the runner, so nothing may change.
Dim filter, title, folder
filter = "Bitmap|*.bmp"
title = "Save the scan"
folder = "C:\"
t.filename = "keep.bmp"

t.ShowSave : NoError "ShowSave()"
t.ShowSave filter : NoError "ShowSave(filter variable)"
Expect filter, "Bitmap" & Chr(0) & "*.bmp" & Chr(0), "the filter variable, converted for the dialog"
filter = "Bitmap|*.bmp"
t.ShowSave filter, title : NoError "ShowSave(filter, title variables)"
filter = "Bitmap|*.bmp"
t.ShowSave filter, title, folder : NoError "ShowSave(three variables)"
t.ShowSave "Bitmap|*.bmp" : NoError "ShowSave(literal)"
t.ShowSave "Bitmap|*.bmp", "Save the scan" : NoError "ShowSave(two literals)"
t.ShowSave "Bitmap|*.bmp", "Save the scan", "C:\" : NoError "ShowSave(three literals)"
Call t.ShowSave("JPEG|*.jpg", title, "C:\") : NoError "ShowSave(mixed, Call form)"
t.ShowSave "a", "b", "c", "d" : ExpectError "ShowSave with four arguments"
Expect t.filename, "keep.bmp", "filename after cancelled ShowSave calls"
Expect t.FileType, 0, "FileType after cancelled ShowSave calls"

filter = "Images|*.bmp;*.png"
title = "Load a scan"
t.ShowLoad : NoError "ShowLoad()"
filter = "Images|*.bmp;*.png|"
t.ShowLoad filter : NoError "ShowLoad(filter variable)"
Expect filter, "Images" & Chr(0) & "*.bmp;*.png" & Chr(0), "a filter ending in a bar, converted"
filter = "Images|*.bmp;*.png"
t.ShowLoad filter, title : NoError "ShowLoad(filter, title variables)"
filter = "Images|*.bmp;*.png"
t.ShowLoad filter, title, folder : NoError "ShowLoad(three variables)"
t.ShowLoad "Images|*.bmp" : NoError "ShowLoad(literal)"
t.ShowLoad "Images|*.bmp", "Load a scan" : NoError "ShowLoad(two literals)"
t.ShowLoad "Images|*.bmp", "Load a scan", "C:\" : NoError "ShowLoad(three literals)"
t.ShowLoad "a", "b", "c", "d" : ExpectError "ShowLoad with four arguments"
Expect t.filename, "keep.bmp", "filename after cancelled ShowLoad calls"
If Not (t.Picture Is pic) Then Fail "a cancelled ShowLoad replaced the picture"

Set pic = Nothing
Set t = Nothing
NoError "releasing the control"

If failures = 0 Then
    WScript.Echo "vbscript: all checks passed"
Else
    WScript.Echo "vbscript: " & failures & " failure(s)"
End If
WScript.Quit failures
