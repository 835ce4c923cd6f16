' Scans from the virtual scanner the way a script host does: late bound,
' every argument a Variant. The runner cancels the Select Source dialog.
' Returns the number of failures as the exit code.
Option Explicit
On Error Resume Next

Dim failures
failures = 0

Sub Check(ok, what)
    If Err.Number <> 0 Then
        failures = failures + 1
        WScript.Echo "FAIL: " & what & ": error &H" & Hex(Err.Number) & " " & Err.Description
        Err.Clear
    ElseIf Not ok Then
        failures = failures + 1
        WScript.Echo "FAIL: " & what
    End If
End Sub

Dim t
Set t = CreateObject("Korvix.Twain")
Check IsObject(t), "CreateObject(""Korvix.Twain"")"

' A script host never initialises the control as a new instance, so the
' settings are given: black and white at 75 dpi, an A4 page of 620 x 877.
t.ShowProgress = False
t.Resolution = 75
t.ColorType = 0
t.Scan
Check t.BitmapWidth = 620 And t.BitmapHeight = 877, "Scan at 75 dpi in black and white gives 620 x 877"

' Colour at 100 dpi, settings from variables.
Dim dpi, colour
dpi = 100
colour = 2
t.Resolution = dpi
t.ColorType = colour
t.Scan
Check t.BitmapWidth = 827 And t.BitmapHeight = 1169, "Scan at 100 dpi in colour gives 827 x 1169"

Dim pic
Set pic = t.Picture
t.SelectSource
Check t.Picture Is pic, "a cancelled SelectSource keeps the picture"

Set pic = Nothing
Set t = Nothing
Check True, "releasing the control"

If failures = 0 Then WScript.Echo "twain_scan.vbs: all checks passed"
WScript.Quit failures
