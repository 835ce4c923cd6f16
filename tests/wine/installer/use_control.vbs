' Creates the control as a script host does and uses it: loads a picture,
' scans a page from the prefix's TWAIN source when asked, saves the picture,
' and prints what it saw for the installer test to check.
'   cscript use_control.vbs <picture.bmp> <saved.bmp> [scan]
Option Explicit
On Error Resume Next

Sub Report(what)
    If Err.Number <> 0 Then
        WScript.Echo what & " failed: &H" & Hex(Err.Number) & " " & Err.Description
        WScript.Quit 1
    End If
End Sub

Dim args, t
Set args = WScript.Arguments
Set t = CreateObject("Korvix.Twain")
Report "CreateObject"
t.filename = args(0)
t.Load
Report "Load"
WScript.Echo "loaded " & t.BitmapWidth & " x " & t.BitmapHeight
If args.Count > 2 Then
    ' A control made by CreateObject starts with resolution 0, which no source takes.
    t.Resolution = 75
    t.ShowProgress = False
    t.Scan
    Report "Scan"
    WScript.Echo "scanned " & t.BitmapWidth & " x " & t.BitmapHeight
End If
t.filename = args(1)
t.Save
Report "Save"
WScript.Echo "saved"
