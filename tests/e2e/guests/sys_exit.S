# Says goodbye and exits with status 42 through the raw exit call.
        .globl _start
        .text
_start: movl $4, %eax
        movl $1, %ebx
        movl $text, %ecx
        movl $4, %edx
        int $0x80
        movl $1, %eax
        movl $42, %ebx
        int $0x80
        hlt

        .data
text:   .ascii "bye\n"
