VERSION 5.00
Begin VB.Form Form1 
   Caption         =   "Café"
   Icon            =   "Form1.frx":0000
End
Attribute VB_Name = "Form1"
Attribute VB_GlobalNameSpace = False
Attribute VB_Exposed = False
Option Explicit

Private Sub Form_Load()
    If 1 < 2 And 3 > 2 Then MsgBox "a & b <c>"
End Sub

Public Function L12(ByVal x As Long) As Long
    L12 = x * 2
End Function
